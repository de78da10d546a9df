#include "xml/libxml2/BlankTextRule.h"

#include <libxml/SAX2.h>
#include <libxml/tree.h>

namespace quorvane::xml {

namespace {

// The rule of the parse running on this thread. Entity text is parsed by
// sub-contexts that share the handler; their events pass through unchanged.
thread_local BlankTextRule* tCurrent = nullptr;

bool IsBlank(const xmlChar* text, int length)
{
    // The blanks of XML: space, tab, line feed, carriage return.
    for (int i = 0; i < length; ++i)
        if (text[i] != 0x20 && text[i] != 0x09 && text[i] != 0x0A && text[i] != 0x0D)
            return false;
    return true;
}

bool PreservesSpace(xmlParserCtxtPtr context)
{
    return context->space && *context->space == 1;
}

} // namespace

BlankTextRule::BlankTextRule(xmlParserCtxtPtr context) : context_(context), original_(*context->sax), outer_(tCurrent)
{
    xmlSAXHandler* sax = context->sax;
    sax->characters = OnCharacters;
    // The same callback for both makes the parser hand over every blank run
    // without judging it by what its buffer holds next.
    sax->ignorableWhitespace = OnCharacters;
    sax->startElementNs = OnStartElement;
    sax->endElementNs = OnEndElement;
    sax->comment = OnComment;
    sax->processingInstruction = OnProcessingInstruction;
    sax->cdataBlock = OnCdata;
    sax->reference = OnReference;
    tCurrent = this;
}

BlankTextRule::~BlankTextRule()
{
    *context_->sax = original_;
    tCurrent = outer_;
}

BlankTextRule* BlankTextRule::Current(void*)
{
    return tCurrent;
}

void BlankTextRule::OnCharacters(void* context, const xmlChar* text, int length)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context))
        rule->Characters(text, length);
    else
        rule->original_.characters(context, text, length);
}

void BlankTextRule::OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                                   int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                                   const xmlChar** attributes)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.startElementNs(context, localName, prefix, uri, namespaceCount, namespaces, attributeCount,
                                   defaulted, attributes);
    if (rule->Owns(context))
        rule->open_.push_back(Open{rule->context_->node, false, rule->dropped_.size()});
}

void BlankTextRule::OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context) && !rule->open_.empty() && rule->open_.back().element == rule->context_->node) {
        const Open open = rule->open_.back();
        // A held-back run is kept only as the element's one and only child.
        if (!rule->pending_.empty() && !open.element->children)
            rule->FlushPending();
        rule->pending_.clear();
        rule->open_.pop_back();
        if (rule->dropped_.size() > open.droppedMark) {
            rule->arena_.resize(rule->dropped_[open.droppedMark].offset);
            rule->dropped_.resize(open.droppedMark);
        }
    }
    rule->original_.endElementNs(context, localName, prefix, uri);
}

void BlankTextRule::OnComment(void* context, const xmlChar* text)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.comment(context, text);
}

void BlankTextRule::OnProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.processingInstruction(context, target, data);
}

void BlankTextRule::OnCdata(void* context, const xmlChar* text, int length)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.cdataBlock(context, text, length);
}

void BlankTextRule::OnReference(void* context, const xmlChar* name)
{
    BlankTextRule* rule = Current(context);
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.reference(context, name);
}

void BlankTextRule::Characters(const xmlChar* text, int length)
{
    if (open_.empty() || open_.back().element != context_->node) {
        original_.characters(context_, text, length);
        return;
    }
    Open& open = open_.back();
    if (!IsBlank(text, length)) {
        if (!open.nonBlankText) {
            open.nonBlankText = true;
            if (dropped_.size() > open.droppedMark)
                RestoreDropped(open);
        }
        if (!pending_.empty())
            FlushPending();
        original_.characters(context_, text, length);
    } else if (open.nonBlankText || PreservesSpace(context_)) {
        FlushPending();
        original_.characters(context_, text, length);
    } else {
        pending_.append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    }
}

void BlankTextRule::PassText(const char* text, std::size_t length)
{
    original_.characters(context_, reinterpret_cast<const xmlChar*>(text), static_cast<int>(length));
}

void BlankTextRule::FlushPending()
{
    if (pending_.empty())
        return;
    // The parser's text callback may look at the two bytes after the text.
    const std::size_t length = pending_.size();
    pending_.append(2, '\0');
    PassText(pending_.data(), length);
    pending_.clear();
}

void BlankTextRule::BeforeChild()
{
    if (pending_.empty() || open_.empty())
        return;
    // Runs between records repeat ("\r\n" mostly): one that repeats the run
    // dropped just before shares its bytes.
    Dropped run{open_.back().element->last, arena_.size(), pending_.size()};
    if (!dropped_.empty() && dropped_.size() > open_.back().droppedMark && dropped_.back().length == run.length &&
        arena_.compare(dropped_.back().offset, run.length, pending_) == 0)
        run.offset = dropped_.back().offset;
    else
        arena_ += pending_;
    dropped_.push_back(run);
    pending_.clear();
}

void BlankTextRule::RestoreDropped(Open& open)
{
    // Text that is not blank came after blank runs already dropped from this
    // element: they are kept after all, each where it stood.
    for (std::size_t i = open.droppedMark; i < dropped_.size(); ++i) {
        const Dropped& d = dropped_[i];
        xmlNodePtr text = xmlNewDocTextLen(context_->myDoc, reinterpret_cast<const xmlChar*>(arena_.data() + d.offset),
                                           static_cast<int>(d.length));
        if (!text)
            continue;
        if (d.previous)
            xmlAddNextSibling(d.previous, text);
        else
            xmlAddPrevSibling(open.element->children, text);
    }
    if (dropped_.size() > open.droppedMark) {
        arena_.resize(dropped_[open.droppedMark].offset);
        dropped_.resize(open.droppedMark);
    }
}

} // namespace quorvane::xml
