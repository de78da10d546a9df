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

BlankTextRule* BlankTextRule::Current()
{
    return tCurrent;
}

void BlankTextRule::OnCharacters(void* context, const xmlChar* text, int length)
{
    BlankTextRule* rule = Current();
    if (rule->Owns(context))
        rule->Characters(text, length);
    else
        rule->original_.characters(context, text, length);
}

void BlankTextRule::OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                                   int namespaceCount, const xmlChar** namespaces, int attributeCount, int defaulted,
                                   const xmlChar** attributes)
{
    BlankTextRule* rule = Current();
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.startElementNs(context, localName, prefix, uri, namespaceCount, namespaces, attributeCount,
                                   defaulted, attributes);
    if (rule->Owns(context))
        rule->open_.push_back(Open{rule->context_->node, false, rule->dropped_.size(), false});
}

void BlankTextRule::OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri)
{
    BlankTextRule* rule = Current();
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
        if (open.cdataApart && !open.nonBlankText)
            JoinTouchingCdata(open.element);
    }
    rule->original_.endElementNs(context, localName, prefix, uri);
}

void BlankTextRule::OnComment(void* context, const xmlChar* text)
{
    BlankTextRule* rule = Current();
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.comment(context, text);
}

void BlankTextRule::OnProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data)
{
    BlankTextRule* rule = Current();
    if (rule->Owns(context))
        rule->BeforeChild();
    rule->original_.processingInstruction(context, target, data);
}

void BlankTextRule::OnCdata(void* context, const xmlChar* text, int length)
{
    BlankTextRule* rule = Current();
    if (rule->Owns(context)) {
        if (rule->AddCdataApart(text, length))
            return;
        rule->BeforeChild();
    }
    rule->original_.cdataBlock(context, text, length);
}

void BlankTextRule::OnReference(void* context, const xmlChar* name)
{
    BlankTextRule* rule = Current();
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

bool BlankTextRule::AddCdataApart(const xmlChar* text, int length)
{
    // The parser joins a CDATA section to one that is the element's last
    // child. A blank run between the two is not known to be dropped until the
    // element ends (text that is not blank may still restore it), so the
    // section is kept apart until then.
    xmlNodePtr element = context_->node;
    if (pending_.empty() || open_.empty() || open_.back().element != element || !element->last ||
        element->last->type != XML_CDATA_SECTION_NODE)
        return false;
    BeforeChild();
    if (xmlNodePtr section = xmlNewCDataBlock(context_->myDoc, text, length))
        xmlAddChild(element, section);
    open_.back().cdataApart = true;
    return true;
}

void BlankTextRule::JoinTouchingCdata(xmlNodePtr element)
{
    // The runs between them were dropped, so the sections touch: joined, as
    // the parser joins sections with nothing between them.
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
    const Open& open = open_.back();
    xmlNodePtr previous = open.element->last;
    std::size_t offset = arena_.size();
    if (dropped_.size() > open.droppedMark) {
        Dropped& last = dropped_.back();
        if (last.length == pending_.size() && arena_.compare(last.offset, last.length, pending_) == 0) {
            // The same run again after the child that followed the last one.
            if (previous && previous->prev == last.last) {
                last.last = previous;
                ++last.count;
                pending_.clear();
                return;
            }
            offset = last.offset; // elsewhere: an entry of its own, sharing the bytes
        }
    }
    if (offset == arena_.size())
        arena_ += pending_;
    dropped_.push_back(Dropped{previous, previous, 1, offset, pending_.size()});
    pending_.clear();
}

void BlankTextRule::RestoreDropped(Open& open)
{
    // Text that is not blank came after blank runs already dropped from this
    // element: they are kept after all, each where it stood.
    for (std::size_t i = open.droppedMark; i < dropped_.size(); ++i) {
        const Dropped& d = dropped_[i];
        // A dropped run always stood before a child: the one it goes before.
        xmlNodePtr following = d.first ? d.first->next : open.element->children;
        for (std::size_t n = 0; n < d.count && following; ++n) {
            xmlNodePtr text =
                xmlNewDocTextLen(context_->myDoc, reinterpret_cast<const xmlChar*>(arena_.data() + d.offset),
                                 static_cast<int>(d.length));
            if (text)
                xmlAddPrevSibling(following, text);
            following = following->next;
        }
    }
    if (dropped_.size() > open.droppedMark) {
        arena_.resize(dropped_[open.droppedMark].offset);
        dropped_.resize(open.droppedMark);
    }
    // The parser appends the next text in place to the element's last text
    // node, trusting the length and capacity it keeps for the text node it
    // made last. A restored run may now be that last node, or have been merged
    // into it: a capacity of 0 makes the parser measure the node afresh.
    context_->nodemem = 0;
}

} // namespace quorvane::xml
