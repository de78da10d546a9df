#include "xml/libxml2/ParserDomDocument.h"

#include "xml/ByteStream.h"
#include "xml/DomError.h"
#include "xml/MemoryStream.h"
#include "xml/libxml2/BlankTextRule.h"
#include "xml/libxml2/ParserDomNode.h"
#include "xml/libxml2/ParserSupport.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace quorvane::xml {

namespace {

// Collects the error that stopped one parse, with the source line the parser
// was reading then. Errors the parser reports and goes on from (an undefined
// namespace prefix, say) only stand in until a fatal one comes: the fatal
// error is the file's real fault.
struct ParseRun {
    xmlParserCtxtPtr main = nullptr; // entity content is parsed by sub-contexts
    ParserDomDocument::ErrorRecord record;
    bool failed = false;
    bool fatal = false;
};

std::string LineAround(const xmlParserInput* input)
{
    if (!input || !input->base || !input->cur)
        return std::string();
    const xmlChar* base = input->base;
    const xmlChar* end = input->end ? input->end : input->cur;
    const xmlChar* cur = std::min(input->cur, end);
    const xmlChar* begin = cur;
    while (begin > base && begin[-1] != '\n' && begin[-1] != '\r')
        --begin;
    const xmlChar* stop = cur;
    while (stop < end && *stop != '\n' && *stop != '\r')
        ++stop;
    return std::string(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(stop - begin));
}

void RecordError(void* userData, xmlErrorPtr error)
{
    auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
    auto* run = ctxt ? static_cast<ParseRun*>(ctxt->_private) : nullptr;
    if (!run || !error || run->fatal || error->level < XML_ERR_ERROR)
        return;
    if (run->failed && error->level != XML_ERR_FATAL)
        return;
    run->failed = true;
    run->fatal = error->level == XML_ERR_FATAL;
    ParserDomDocument::ErrorRecord& r = run->record;
    r.code = error->code;
    r.url = Text(reinterpret_cast<const xmlChar*>(error->file));
    r.reason = error->message ? error->message : "";
    while (!r.reason.empty() && static_cast<unsigned char>(r.reason.back()) <= 32)
        r.reason.pop_back();
    r.line = error->line;
    r.linepos = error->int2;
    // Inside an entity's replacement text the parser's position is in that
    // text; the user's file is the outermost input, where the reference is.
    xmlParserCtxtPtr outer = run->main ? run->main : ctxt;
    const xmlParserInput* input = outer->input;
    if (outer->inputNr > 1 && outer->inputTab && outer->inputTab[0])
        input = outer->inputTab[0];
    if (input && (outer != ctxt || input != ctxt->input)) {
        r.line = input->line;
        r.linepos = input->col;
    }
    if (input) {
        r.srcText = LineAround(input);
        r.filepos = static_cast<long long>(input->consumed) + static_cast<long long>(input->cur - input->base);
    }
}

// The parser takes a short read for the end of its lookahead, so each
// request is filled as far as the stream goes.
int ReadStream(void* context, char* buffer, int size)
{
    try {
        auto* stream = static_cast<ByteStream*>(context);
        std::size_t total = 0;
        while (total < static_cast<std::size_t>(size)) {
            const std::size_t n = stream->Read(buffer + total, static_cast<std::size_t>(size) - total);
            if (n == 0)
                break;
            total += n;
        }
        return static_cast<int>(total);
    } catch (...) {
        return -1;
    }
}

int CloseStream(void*)
{
    return 0; // the stream stays with its owner
}

std::string Serialise(xmlDocPtr document)
{
    if (!document->children)
        return std::string();
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(document, &bytes, &size, "UTF-8", 0);
    if (!bytes)
        FailParserCall("xmlDocDumpFormatMemoryEnc");
    std::string text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
    xmlFree(bytes);
    return text;
}

} // namespace

ParserDomDocument::ParserDomDocument(_xmlDoc* document)
    : ParserDomNodeBase<DomDocument>(reinterpret_cast<xmlNodePtr>(document))
{
    document->_private = static_cast<DomNode*>(this);
}

ParserDomDocument::~ParserDomDocument()
{
    // Nodes left outside the tree are not reached by freeing the document.
    std::sort(orphans_.begin(), orphans_.end());
    orphans_.erase(std::unique(orphans_.begin(), orphans_.end()), orphans_.end());
    // Decide which are outside the tree before freeing any: freeing one
    // subtree frees the orphans that were inserted below it.
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr orphan : orphans_)
        if (!orphan->parent)
            roots.push_back(orphan);
    // The bookkeeping goes before the document: a large block freed after
    // the document's many small nodes makes the allocator merge all of those
    // at once, which cost several times what freeing the document does.
    std::vector<xmlNodePtr>().swap(orphans_);
    for (xmlNodePtr root : roots)
        xmlFreeNode(root);
    std::vector<xmlNodePtr>().swap(roots);
    xmlFreeDoc(Document());
    for (xmlDocPtr retired : retired_)
        xmlFreeDoc(retired);
}

void ParserDomDocument::AdoptOrphan(_xmlNode* node)
{
    orphans_.push_back(node);
}

namespace {

xmlNodePtr Created(ParserDomDocument& document, xmlNodePtr node, const char* what)
{
    if (!node)
        FailParserCall(what);
    document.AdoptOrphan(node);
    return node;
}

void CheckName(const std::string& name)
{
    if (name.empty() || xmlValidateName(Chars(name), 0) != 0)
        FailService("Invalid character: \"" + name + "\" is not a valid XML name", kInvalidCharacterErr);
}

void CheckQName(const std::string& name)
{
    if (name.empty() || xmlValidateQName(Chars(name), 0) != 0)
        FailService("Namespace error: \"" + name + "\" is not a valid qualified name", kNamespaceErr);
}

} // namespace

Ref<DomNode> ParserDomDocument::createElement(const std::string& tagName)
{
    CheckName(tagName);
    return ParserDomNode::Wrap(
        Created(*this, xmlNewDocNode(Document(), nullptr, Chars(tagName), nullptr), "xmlNewDocNode"));
}

Ref<DomNode> ParserDomDocument::createElementNS(const std::string& namespaceURI, const std::string& qualifiedName)
{
    if (namespaceURI.empty())
        return createElement(qualifiedName);
    CheckQName(qualifiedName);
    const std::size_t colon = qualifiedName.find(':');
    const std::string local = colon == std::string::npos ? qualifiedName : qualifiedName.substr(colon + 1);
    const std::string prefix = colon == std::string::npos ? std::string() : qualifiedName.substr(0, colon);
    xmlNodePtr element = Created(*this, xmlNewDocNode(Document(), nullptr, Chars(local), nullptr), "xmlNewDocNode");
    // The element declares its own namespace, so it stays correct wherever
    // it is inserted.
    xmlNsPtr ns = xmlNewNs(element, Chars(namespaceURI), prefix.empty() ? nullptr : Chars(prefix));
    if (!ns)
        FailParserCall("xmlNewNs");
    xmlSetNs(element, ns);
    return ParserDomNode::Wrap(element);
}

Ref<DomNode> ParserDomDocument::createTextNode(const std::string& data)
{
    return ParserDomNode::Wrap(
        Created(*this, xmlNewDocTextLen(Document(), Chars(data), static_cast<int>(data.size())), "xmlNewDocTextLen"));
}

Ref<DomNode> ParserDomDocument::createAttribute(const std::string& name)
{
    CheckName(name);
    return ParserDomNode::Wrap(
        Created(*this, reinterpret_cast<xmlNodePtr>(xmlNewDocProp(Document(), Chars(name), nullptr)), "xmlNewDocProp"));
}

Ref<DomNode> ParserDomDocument::createAttributeNS(const std::string& namespaceURI, const std::string& qualifiedName)
{
    if (namespaceURI.empty())
        return createAttribute(qualifiedName);
    FailUnsupported("createAttributeNS");
}

Ref<DomNode> ParserDomDocument::createCDATASection(const std::string& data)
{
    return ParserDomNode::Wrap(
        Created(*this, xmlNewCDataBlock(Document(), Chars(data), static_cast<int>(data.size())), "xmlNewCDataBlock"));
}

Ref<DomNode> ParserDomDocument::createComment(const std::string& data)
{
    return ParserDomNode::Wrap(Created(*this, xmlNewDocComment(Document(), Chars(data)), "xmlNewDocComment"));
}

Ref<DomNode> ParserDomDocument::createProcessingInstruction(const std::string& target, const std::string& data)
{
    CheckName(target);
    return ParserDomNode::Wrap(Created(*this, xmlNewDocPI(Document(), Chars(target), Chars(data)), "xmlNewDocPI"));
}

Ref<DomNode> ParserDomDocument::createEntityReference(const std::string& name)
{
    CheckName(name);
    return ParserDomNode::Wrap(Created(*this, xmlNewReference(Document(), Chars(name)), "xmlNewReference"));
}

Ref<DomNode> ParserDomDocument::createDocumentFragment()
{
    return ParserDomNode::Wrap(Created(*this, xmlNewDocFragment(Document()), "xmlNewDocFragment"));
}

Ref<DomNode> ParserDomDocument::documentElement() const
{
    return ParserDomNode::Wrap(xmlDocGetRootElement(Document()));
}

Ref<DomNode> ParserDomDocument::getElementById(const std::string&) const
{
    FailUnsupported("getElementById");
}

Ref<DomNodeList> ParserDomDocument::getElementsByTagNameNS(const std::string&, const std::string&) const
{
    FailUnsupported("getElementsByTagNameNS");
}

Ref<DomNode> ParserDomDocument::importNode(const Ref<DomNode>&, CloneDepth)
{
    FailUnsupported("importNode");
}

std::string ParserDomDocument::xml() const
{
    return Serialise(Document());
}

bool ParserDomDocument::Parse(ByteStream& stream, const char* url, const char* encoding)
{
    EnsureParserInitialised();
    error_ = ErrorRecord();
    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
    if (!ctxt)
        FailParserCall("xmlNewParserCtxt");
    ParseRun run;
    run.main = ctxt.get();
    ctxt->_private = &run;
    ctxt->sax->serror = RecordError;
    ctxt->sax->initialized = XML_SAX2_MAGIC;

    // Never the network, never external DTDs or entities, and the parser's
    // own limits on entity expansion stay in force (no HUGE, no NOENT).
    int options = XML_PARSE_NONET;
    // Blank text is not left to the parser's own option, which judges a
    // blank run by what its input buffer holds next: BlankTextRule applies
    // the document's rule, the same wherever the file's bytes fall.
    std::optional<BlankTextRule> blanks;
    if (!preserveWhiteSpace_)
        blanks.emplace(ctxt.get());
    if (validate_)
        options |= XML_PARSE_DTDVALID;
    // The parser reads every source through one reader, a few kilobytes at
    // a time: its memory reader would copy the whole input first, reading
    // bytes in place (a static input buffer) misreads UTF-16 and internal
    // subsets in this libxml2, and its push interface takes some malformed
    // input differently. A stream that is not in memory is read whole first,
    // so the pieces it comes in cannot matter.
    std::string drained;
    std::optional<MemoryStream> whole;
    ByteStream* source = &stream;
    if (!dynamic_cast<MemoryStream*>(&stream)) {
        char buffer[65536];
        try {
            while (const std::size_t n = stream.Read(buffer, sizeof buffer))
                drained.append(buffer, n);
        } catch (...) {
            drained.clear(); // a stream that fails to read gives no document
        }
        source = &whole.emplace(drained);
    }
    xmlDocPtr parsed = xmlCtxtReadIO(ctxt.get(), ReadStream, CloseStream, source, url, encoding, options);
    const bool wellFormed = parsed && ctxt->wellFormed && (!validate_ || ctxt->valid);
    if (!wellFormed) {
        if (parsed)
            xmlFreeDoc(parsed);
        error_ = run.record;
        if (!run.failed) {
            const xmlError* last = &ctxt->lastError;
            error_.code = last->code;
            error_.reason = last->message ? last->message : "The XML text could not be parsed";
            while (!error_.reason.empty() && static_cast<unsigned char>(error_.reason.back()) <= 32)
                error_.reason.pop_back();
            error_.line = last->line;
        }
        if (error_.url.empty() && url)
            error_.url = url;
        return false;
    }
    // The parsed document takes the place of the held one; the old one is
    // kept until this object goes, as binding objects may still point into it.
    xmlDocPtr previous = Document();
    parsed->_private = static_cast<DomNode*>(this);
    node_ = reinterpret_cast<xmlNodePtr>(parsed);
    retired_.push_back(previous);
    return true;
}

bool ParserDomDocument::load(ByteStream& stream)
{
    return Parse(stream, nullptr, nullptr);
}

bool ParserDomDocument::loadFile(const std::string& fileName)
{
    // The file is read here rather than by the parser, so the parser's
    // resource loader (and with it any URL handling) is never involved.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), &std::fclose);
    if (!file) {
        error_ = ErrorRecord();
        error_.code = errno;
        error_.url = fileName;
        error_.reason = "Cannot open file \"" + fileName + "\". " + std::strerror(errno);
        return false;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, n);
    MemoryStream stream(bytes);
    return Parse(stream, fileName.c_str(), nullptr);
}

bool ParserDomDocument::loadXML(const std::string& text)
{
    MemoryStream stream(text);
    return Parse(stream, nullptr, "UTF-8");
}

void ParserDomDocument::save(ByteStream& stream) const
{
    const std::string bytes = Serialise(Document());
    stream.Write(bytes.data(), bytes.size());
}

void ParserDomDocument::saveFile(const std::string& fileName) const
{
    // Write beside the target, then rename over it: a failure leaves the
    // old file whole.
    const std::string bytes = Serialise(Document());
    const std::string temporary = fileName + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        FailService("Cannot create file \"" + temporary + "\". " + std::strerror(errno), static_cast<unsigned>(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), fileName.c_str()) != 0) {
        const int code = errno;
        std::remove(temporary.c_str());
        FailService("Cannot write file \"" + fileName + "\". " + std::strerror(code), static_cast<unsigned>(code));
    }
}

} // namespace quorvane::xml
