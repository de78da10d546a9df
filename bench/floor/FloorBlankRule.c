#include "FloorBlankRule.h"

#include <libxml/tree.h>
#include <stdlib.h>
#include <string.h>

/* `count` dropped runs of the same bytes (`bytes` [offset, offset + length)):
 * the first after `first` (before the element's first child when NULL), each
 * other one after the child that followed the run before it. */
struct Run {
    xmlNodePtr first;
    xmlNodePtr last;
    size_t count;
    size_t offset;
    size_t length;
};

struct Open {
    xmlNodePtr node;
    int textNotBlank;
    size_t firstRun;
    int cdataApart;
};

struct FloorBlankRule {
    xmlParserCtxtPtr ctxt;
    xmlSAXHandler saved;
    struct Open* open;
    size_t openCount, openCapacity;
    struct Run* runs;
    size_t runCount, runCapacity;
    char* bytes;
    size_t byteCount, byteCapacity;
    char* pending;
    size_t pendingLength, pendingCapacity;
};

static FloorBlankRule* current;

static void* grow(void* array, size_t* capacity, size_t needed, size_t size)
{
    if (needed <= *capacity)
        return array;
    size_t next = *capacity ? *capacity * 2 : 64;
    while (next < needed)
        next *= 2;
    void* grown = realloc(array, next * size);
    if (!grown)
        abort();
    *capacity = next;
    return grown;
}

static int is_blank(const xmlChar* text, int length)
{
    for (int i = 0; i < length; ++i)
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r')
            return 0;
    return 1;
}

static struct Open* top(FloorBlankRule* rule)
{
    if (!rule->openCount || rule->open[rule->openCount - 1].node != rule->ctxt->node)
        return NULL;
    return &rule->open[rule->openCount - 1];
}

static void flush_pending(FloorBlankRule* rule)
{
    if (!rule->pendingLength)
        return;
    /* The parser's text callback may look at the two bytes after the text. */
    rule->pending = grow(rule->pending, &rule->pendingCapacity, rule->pendingLength + 2, 1);
    rule->pending[rule->pendingLength] = rule->pending[rule->pendingLength + 1] = '\0';
    rule->saved.characters(rule->ctxt, (const xmlChar*)rule->pending, (int)rule->pendingLength);
    rule->pendingLength = 0;
}

/* A child other than text is about to be added: a held-back run is dropped. */
static void before_child(FloorBlankRule* rule)
{
    if (!rule->pendingLength || !rule->openCount)
        return;
    struct Open* open = &rule->open[rule->openCount - 1];
    xmlNodePtr previous = open->node->last;
    if (rule->runCount > open->firstRun) {
        struct Run* last = &rule->runs[rule->runCount - 1];
        if (previous && previous->prev == last->last && last->length == rule->pendingLength &&
            memcmp(rule->bytes + last->offset, rule->pending, last->length) == 0) {
            last->last = previous;
            ++last->count;
            rule->pendingLength = 0;
            return;
        }
    }
    rule->runs = grow(rule->runs, &rule->runCapacity, rule->runCount + 1, sizeof *rule->runs);
    rule->bytes = grow(rule->bytes, &rule->byteCapacity, rule->byteCount + rule->pendingLength, 1);
    struct Run run = {previous, previous, 1, rule->byteCount, rule->pendingLength};
    memcpy(rule->bytes + rule->byteCount, rule->pending, rule->pendingLength);
    rule->byteCount += rule->pendingLength;
    rule->runs[rule->runCount++] = run;
    rule->pendingLength = 0;
}

static void forget_runs(FloorBlankRule* rule, size_t from)
{
    if (rule->runCount > from) {
        rule->byteCount = rule->runs[from].offset;
        rule->runCount = from;
    }
}

/* Text that is not blank came after dropped runs: they are kept after all. */
static void restore_runs(FloorBlankRule* rule, struct Open* open)
{
    for (size_t i = open->firstRun; i < rule->runCount; ++i) {
        const struct Run* run = &rule->runs[i];
        xmlNodePtr following = run->first ? run->first->next : open->node->children;
        for (size_t n = 0; n < run->count && following; ++n) {
            xmlNodePtr text =
                xmlNewDocTextLen(rule->ctxt->myDoc, (const xmlChar*)rule->bytes + run->offset, (int)run->length);
            if (text)
                xmlAddPrevSibling(following, text);
            following = following->next;
        }
    }
    forget_runs(rule, open->firstRun);
    rule->ctxt->nodemem = 0; /* the parser measures its last text node afresh */
}

/* Sections that touch once the runs between them are dropped are joined. */
static void join_touching_cdata(xmlNodePtr element)
{
    for (xmlNodePtr child = element->children; child;) {
        xmlNodePtr next = child->next;
        if (child->type == XML_CDATA_SECTION_NODE && next && next->type == XML_CDATA_SECTION_NODE) {
            xmlTextConcat(child, next->content, xmlStrlen(next->content));
            xmlUnlinkNode(next);
            xmlFreeNode(next);
        } else {
            child = next;
        }
    }
}

static void on_characters(void* ctx, const xmlChar* text, int length)
{
    FloorBlankRule* rule = current;
    struct Open* open = ctx == rule->ctxt ? top(rule) : NULL;
    if (!open) {
        rule->saved.characters(ctx, text, length);
    } else if (!is_blank(text, length)) {
        if (!open->textNotBlank) {
            open->textNotBlank = 1;
            restore_runs(rule, open);
        }
        flush_pending(rule);
        rule->saved.characters(ctx, text, length);
    } else if (open->textNotBlank || (rule->ctxt->space && *rule->ctxt->space == 1)) {
        flush_pending(rule);
        rule->saved.characters(ctx, text, length);
    } else {
        rule->pending = grow(rule->pending, &rule->pendingCapacity, rule->pendingLength + (size_t)length, 1);
        memcpy(rule->pending + rule->pendingLength, text, (size_t)length);
        rule->pendingLength += (size_t)length;
    }
}

static void on_start_element(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                             int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                             const xmlChar** attributes)
{
    FloorBlankRule* rule = current;
    const int owned = ctx == rule->ctxt;
    if (owned)
        before_child(rule);
    rule->saved.startElementNs(ctx, localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted,
                               attributes);
    if (owned) {
        rule->open = grow(rule->open, &rule->openCapacity, rule->openCount + 1, sizeof *rule->open);
        struct Open open = {rule->ctxt->node, 0, rule->runCount, 0};
        rule->open[rule->openCount++] = open;
    }
}

static void on_end_element(void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
{
    FloorBlankRule* rule = current;
    struct Open* open = ctx == rule->ctxt ? top(rule) : NULL;
    if (open) {
        /* A held-back run is kept only as the element's one child. */
        if (rule->pendingLength && !open->node->children)
            flush_pending(rule);
        rule->pendingLength = 0;
        forget_runs(rule, open->firstRun);
        if (open->cdataApart && !open->textNotBlank)
            join_touching_cdata(open->node);
        --rule->openCount;
    }
    rule->saved.endElementNs(ctx, localname, prefix, uri);
}

static void on_comment(void* ctx, const xmlChar* text)
{
    if (ctx == current->ctxt)
        before_child(current);
    current->saved.comment(ctx, text);
}

static void on_processing_instruction(void* ctx, const xmlChar* target, const xmlChar* data)
{
    if (ctx == current->ctxt)
        before_child(current);
    current->saved.processingInstruction(ctx, target, data);
}

static void on_reference(void* ctx, const xmlChar* name)
{
    if (ctx == current->ctxt)
        before_child(current);
    current->saved.reference(ctx, name);
}

static void on_cdata(void* ctx, const xmlChar* text, int length)
{
    FloorBlankRule* rule = current;
    if (ctx == rule->ctxt) {
        /* The parser joins a section to a section that is the last child; a
         * blank run between them keeps them apart until the element ends and
         * the run is known to be dropped. */
        xmlNodePtr element = rule->ctxt->node;
        struct Open* open = top(rule);
        const int apart =
            rule->pendingLength && open && element->last && element->last->type == XML_CDATA_SECTION_NODE;
        before_child(rule);
        if (apart) {
            xmlNodePtr section = xmlNewCDataBlock(rule->ctxt->myDoc, text, length);
            if (section)
                xmlAddChild(element, section);
            open->cdataApart = 1;
            return;
        }
    }
    rule->saved.cdataBlock(ctx, text, length);
}

FloorBlankRule* floor_blank_rule_begin(xmlParserCtxtPtr ctxt)
{
    FloorBlankRule* rule = calloc(1, sizeof *rule);
    if (!rule)
        abort();
    rule->ctxt = ctxt;
    rule->saved = *ctxt->sax;
    ctxt->sax->characters = on_characters;
    ctxt->sax->ignorableWhitespace = on_characters;
    ctxt->sax->startElementNs = on_start_element;
    ctxt->sax->endElementNs = on_end_element;
    ctxt->sax->comment = on_comment;
    ctxt->sax->processingInstruction = on_processing_instruction;
    ctxt->sax->reference = on_reference;
    ctxt->sax->cdataBlock = on_cdata;
    current = rule;
    return rule;
}

void floor_blank_rule_end(FloorBlankRule* rule)
{
    *rule->ctxt->sax = rule->saved;
    current = NULL;
    free(rule->open);
    free(rule->runs);
    free(rule->bytes);
    free(rule->pending);
    free(rule);
}
