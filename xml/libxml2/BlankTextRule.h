#pragma once

// Included from the binding's .cpp files only: it names the parser's types.

#include <libxml/parser.h>

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane::xml {

/// Decides which whitespace-only text becomes a node while the parser builds
/// the tree, by a rule of the document alone: such text is dropped unless it
/// is its element's only child, or its element also holds text that is not
/// blank, or it lies under xml:space="preserve". DTD content models are not
/// consulted.
///
/// This is the reading of "do not preserve whitespace" for every list. The
/// parser's own blank-text option decides by looking ahead in its input
/// buffer, so a blank run that crosses a read boundary was kept where the
/// same bytes read whole dropped it; the rule here depends only on the
/// sequence of parse events, so every way and every chunking of reading the
/// same bytes gives the same tree.
///
/// A blank run is held back until the next event tells its fate: text that
/// is not blank (the run joins it), the element's end (kept only when the
/// element has no other child), or another child (dropped, but remembered
/// until the element ends in case text that is not blank still follows).
class BlankTextRule {
public:
    /// Takes over the tree-building callbacks of `context`'s handler for one
    /// parse; the handler gets its own callbacks back when this goes.
    explicit BlankTextRule(xmlParserCtxtPtr context);
    ~BlankTextRule();
    BlankTextRule(const BlankTextRule&) = delete;
    BlankTextRule& operator=(const BlankTextRule&) = delete;

private:
    struct Open {
        xmlNodePtr element;
        bool nonBlankText;
        std::size_t droppedMark; // first entry of `dropped_` that belongs to it
        bool cdataApart;         // a CDATA section was added apart from the one before
    };
    // Blank runs dropped from an open element, `count` of them with the same
    // bytes, `arena_` [offset, offset + length): the first stood after
    // `first` (before the element's first child when null), each other one
    // after the child that followed the run before it, the last after `last`.
    // The line break and indent between records, or between the fields of
    // one, make one entry however many there are.
    struct Dropped {
        xmlNodePtr first;
        xmlNodePtr last;
        std::size_t count;
        std::size_t offset;
        std::size_t length;
    };

    static BlankTextRule* Current();
    static void OnCharacters(void* context, const xmlChar* text, int length);
    static void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                               int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                               const xmlChar** attributes);
    static void OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri);
    static void OnComment(void* context, const xmlChar* text);
    static void OnProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data);
    static void OnCdata(void* context, const xmlChar* text, int length);
    static void OnReference(void* context, const xmlChar* name);

    bool Owns(void* context) const { return context == context_; }
    void Characters(const xmlChar* text, int length);
    bool AddCdataApart(const xmlChar* text, int length);
    static void JoinTouchingCdata(xmlNodePtr element);
    void PassText(const char* text, std::size_t length);
    void FlushPending();
    // A child other than text is about to be added to the current element.
    void BeforeChild();
    void RestoreDropped(Open& open);

    xmlParserCtxtPtr context_;
    xmlSAXHandler original_;
    BlankTextRule* outer_; // the rule of a parse running around this one, if any
    std::vector<Open> open_;
    std::string pending_; // the blank run held back in the current element
    std::vector<Dropped> dropped_;
    std::string arena_;
};

} // namespace quorvane::xml
