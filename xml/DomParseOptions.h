#pragma once

namespace quorvane::xml {

/// Settings a document applies to its next load.
class DomParseOptions {
public:
    virtual bool async() const = 0;
    virtual void setAsync(bool value) = 0;
    virtual bool preserveWhiteSpace() const = 0;
    virtual void setPreserveWhiteSpace(bool value) = 0;
    virtual bool resolveExternals() const = 0;
    virtual void setResolveExternals(bool value) = 0;
    virtual bool validate() const = 0;
    virtual void setValidate(bool value) = 0;

protected:
    ~DomParseOptions() = default;
};

} // namespace quorvane::xml
