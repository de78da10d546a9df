#ifndef QUORVANE_BENCH_STARTUP_FLOOR_H
#define QUORVANE_BENCH_STARTUP_FLOOR_H

/* The start-up floor: what a competent plain libxml2 program does for the
 * result the program's start-up gives. It reads the list file in blocks and
 * keeps its bytes until it is done (the document keeps its text too), lets
 * libxml2 parse them in place with the program's options (no network) and
 * its blank-text rule (FloorBlankRule), walks the GCM records
 * creating each missing field and giving each empty field its empty text, as
 * the record walk must, reads (does not copy) all seven texts of each record
 * and the version, counts the records whose GOOD text is "1", and can free
 * the document. */

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FloorList FloorList;

/* Loads and walks the list at `path`; NULL when it cannot be read or parsed,
 * or a field holds anything but one text. */
FloorList* floor_load(const char* path);
/* The List Summary `quorvane-cli summary` prints, into `out`. */
void floor_summary(const FloorList* list, char* out, unsigned long size);
/* The number of records walked. */
long floor_records(const FloorList* list);
/* Frees the document and the file's bytes. */
void floor_free(FloorList* list);

#ifdef __cplusplus
}
#endif

#endif
