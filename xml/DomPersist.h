#pragma once

#include <string>

namespace quorvane::xml {

class ByteStream;

/// Loading and saving of a whole DOM document.
class DomPersist {
public:
    /// The document serialised as bytes ("" for an empty document).
    virtual std::string xml() const = 0;
    /// Parses the bytes of `stream` from its current position to its end; the
    /// parser detects the encoding. The stream stays owned by the caller.
    /// Returns false when the text is rejected (see `DomParseErrorInfo`).
    virtual bool load(ByteStream& stream) = 0;
    /// Parses the file `fileName`; false when it cannot be read or is rejected.
    virtual bool loadFile(const std::string& fileName) = 0;
    /// Parses UTF-8 XML text held in memory.
    virtual bool loadXML(const std::string& text) = 0;
    /// Writes the serialised document to `stream` at its position.
    virtual void save(ByteStream& stream) const = 0;
    /// Writes the serialised document to the file `fileName`, replacing it whole.
    virtual void saveFile(const std::string& fileName) const = 0;

protected:
    ~DomPersist() = default;
};

} // namespace quorvane::xml
