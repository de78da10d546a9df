#ifndef QUORVANE_BENCH_FLOOR_BLANK_RULE_H
#define QUORVANE_BENCH_FLOOR_BLANK_RULE_H

/* The program's blank-text rule in plain C over the parser's callbacks, so
 * the floor pays for it as the program does: whitespace-only text is dropped
 * unless it is its element's only child, or the element also holds text that
 * is not blank, or it lies under xml:space="preserve". A blank run is held
 * back until the next event decides it; runs dropped from an element are
 * remembered until it ends, in case text that is not blank still follows. */

#include <libxml/parser.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FloorBlankRule FloorBlankRule;

/* Wraps the callbacks of `ctxt` for one parse (one rule at a time). */
FloorBlankRule* floor_blank_rule_begin(xmlParserCtxtPtr ctxt);
/* Gives the context its callbacks back and frees the rule. */
void floor_blank_rule_end(FloorBlankRule* rule);

#ifdef __cplusplus
}
#endif

#endif
