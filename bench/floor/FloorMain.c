/* quorvane_startup_floor FILE: the start-up floor as a process of its own,
 * measured against `quorvane-cli summary` by scripts/bench-ratios. Prints
 * the List Summary as the program does and exits 0, or 1 when the list
 * cannot be loaded. */
#include "StartupFloor.h"

#include <libxml/parser.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: quorvane_startup_floor FILE\n");
        return 2;
    }
    xmlInitParser();
    FloorList* list = floor_load(argv[1]);
    if (!list) {
        fprintf(stderr, "cannot load %s\n", argv[1]);
        return 1;
    }
    char summary[512];
    floor_summary(list, summary, sizeof summary);
    puts(summary);
    floor_free(list);
    xmlCleanupParser();
    return 0;
}
