#include "StartupFloor.h"

#include "FloorBlankRule.h"

#include <fcntl.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

struct FloorList {
    char* bytes;
    xmlDocPtr doc;
    const xmlChar* version;
    long records;
    long good;              /* records whose GOOD text is "1", as the program's boot test */
    unsigned long checksum; /* keeps the reading of the texts from being optimised away */
};

static const char* const kFields[] = {"GAMENAME", "GAMEID", "NOTES", "SSIZE", "GOOD", "NICK", "INST"};

static char* read_file(const char* path, size_t* size)
{
    const int fd = open(path, O_RDONLY);
    if (fd < 0)
        return NULL;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        close(fd);
        return NULL;
    }
    /* Sized by the file; grows only for a file that grows while it is read. */
    size_t capacity = (size_t)info.st_size + 1;
    char* bytes = malloc(capacity);
    size_t used = 0;
    for (;;) {
        if (used + 1 == capacity) {
            capacity = capacity * 2;
            bytes = realloc(bytes, capacity);
        }
        size_t block = capacity - 1 - used;
        if (block > 65536)
            block = 65536;
        const ssize_t n = read(fd, bytes + used, block);
        if (n <= 0)
            break;
        used += (size_t)n;
    }
    close(fd);
    bytes[used] = '\0';
    *size = used;
    return bytes;
}

struct Reader {
    const char* next;
    const char* end;
};

static int read_bytes(void* context, char* buffer, int size)
{
    struct Reader* reader = context;
    const size_t left = (size_t)(reader->end - reader->next);
    const size_t count = left < (size_t)size ? left : (size_t)size;
    memcpy(buffer, reader->next, count);
    reader->next += count;
    return (int)count;
}

static int close_bytes(void* context)
{
    (void)context;
    return 0;
}

/* The parser's reader takes the kept bytes a few kilobytes at a time: its
 * memory reader would copy them all first. Blank text goes by the program's
 * rule, not the parser's own blank option. */
static xmlDocPtr parse(const char* bytes, size_t size)
{
    struct Reader reader = {bytes, bytes + size};
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    FloorBlankRule* rule = floor_blank_rule_begin(ctxt);
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, read_bytes, close_bytes, &reader, NULL, NULL, XML_PARSE_NONET);
    floor_blank_rule_end(rule);
    if (doc && !ctxt->wellFormed) {
        xmlFreeDoc(doc);
        doc = NULL;
    }
    xmlFreeParserCtxt(ctxt);
    return doc;
}

static int is_named(xmlNodePtr node, const char* name)
{
    return strcmp((const char*)node->name, name) == 0;
}

static xmlNodePtr first_child_named(xmlNodePtr parent, const char* name)
{
    for (xmlNodePtr child = parent->children; child; child = child->next)
        if ((child->type == XML_ELEMENT_NODE || child->type == XML_PI_NODE) && is_named(child, name))
            return child;
    return NULL;
}

/* The field's one text; creates the field or its empty text when missing. */
static const xmlChar* field_text(xmlDocPtr doc, xmlNodePtr record, const char* name)
{
    xmlNodePtr field = first_child_named(record, name);
    if (!field)
        field = xmlAddChild(record, xmlNewDocNode(doc, NULL, (const xmlChar*)name, NULL));
    if (field->type != XML_ELEMENT_NODE)
        return field->content ? field->content : (const xmlChar*)"";
    if (!field->children)
        xmlAddChild(field, xmlNewDocText(doc, (const xmlChar*)""));
    xmlNodePtr text = field->children;
    if (text->next || (text->type != XML_TEXT_NODE && text->type != XML_CDATA_SECTION_NODE))
        return NULL;
    return text->content ? text->content : (const xmlChar*)"";
}

FloorList* floor_load(const char* path)
{
    size_t size = 0;
    char* bytes = read_file(path, &size);
    if (!bytes)
        return NULL;
    xmlDocPtr doc = parse(bytes, size);
    xmlNodePtr root = doc ? xmlDocGetRootElement(doc) : NULL;
    if (!root) {
        if (doc)
            xmlFreeDoc(doc);
        free(bytes);
        return NULL;
    }
    FloorList* list = calloc(1, sizeof *list);
    list->bytes = bytes;
    list->doc = doc;
    for (xmlNodePtr record = root->children; record; record = record->next) {
        if (record->type != XML_ELEMENT_NODE || !is_named(record, "GCM"))
            continue;
        for (size_t i = 0; i < sizeof kFields / sizeof kFields[0]; ++i) {
            const xmlChar* text = field_text(doc, record, kFields[i]);
            if (!text) {
                floor_free(list);
                return NULL;
            }
            list->checksum += text[0];
            if (i == 4 && strcmp((const char*)text, "1") == 0)
                ++list->good;
        }
        ++list->records;
    }
    xmlNodePtr version = first_child_named(root, "VERSION");
    list->version = version ? field_text(doc, version, "NUMBER") : (const xmlChar*)"";
    if (!list->version) {
        floor_free(list);
        return NULL;
    }
    return list;
}

void floor_summary(const FloorList* list, char* out, unsigned long size)
{
    snprintf(out, size, "List Version [%s] GCM's [%ld] [Good: %ld] [Bad: %ld]", (const char*)list->version,
             list->records, list->good, list->records - list->good);
}

long floor_records(const FloorList* list)
{
    return list->records;
}

void floor_free(FloorList* list)
{
    if (!list)
        return;
    xmlFreeDoc(list->doc);
    free(list->bytes);
    free(list);
}
