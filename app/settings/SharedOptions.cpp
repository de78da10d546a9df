#include "app/settings/SharedOptions.h"

#include "app/list/ListFolder.h"
#include "app/settings/OptionError.h"
#include "app/settings/TrustStore.h"
#include "app/update/ServerUrlError.h"

namespace quorvane::app {

namespace {

/// What `arguments[index]` says of the option `name`.
struct OptionValue {
    enum class Form {
        /// It is another argument.
        Other,
        /// "NAME" as the last argument.
        Missing,
        /// "NAME VALUE" or "NAME=VALUE".
        Given,
    };
    Form form = Form::Other;
    std::string value;
};

/// Reads `name` at `arguments[index]`, given as "NAME=VALUE" or as "NAME
/// VALUE" (then `index` moves to the value).
OptionValue ValueOf(const std::string& name, const std::vector<std::string>& arguments, std::size_t& index)
{
    const std::string& argument = arguments[index];
    if (argument == name) {
        if (index + 1 >= arguments.size())
            return {OptionValue::Form::Missing, {}};
        return {OptionValue::Form::Given, arguments[++index]};
    }
    if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 && argument[name.size()] == '=')
        return {OptionValue::Form::Given, argument.substr(name.size() + 1)};
    return {};
}

} // namespace

bool SharedOptions::Take(const std::vector<std::string>& arguments, std::size_t& index)
{
    const std::string& argument = arguments[index];
    if (accepts(Help) && (argument == "--help" || argument == "-h")) {
        help = true;
        return true;
    }
    if (accepts(Version) && argument == "--version") {
        version = true;
        return true;
    }
    if (accepts(ResetLayout) && argument == "--reset-layout") {
        resetLayout = true;
        return true;
    }
    if (accepts(DataFolder) && argument == "--data-folder") {
        dataFolder_ = true;
        return true;
    }
    if (accepts(Folder)) {
        const OptionValue folderValue = ValueOf("--folder", arguments, index);
        if (folderValue.form != OptionValue::Form::Other) {
            if (folderValue.value.empty())
                throw OptionError("--folder needs a folder");
            folder = QString::fromLocal8Bit(folderValue.value.c_str());
            folderNamed_ = true;
            return true;
        }
    }
    if (accepts(UpdateServer)) {
        const OptionValue url = ValueOf("--update-server", arguments, index);
        if (url.form == OptionValue::Form::Missing)
            throw OptionError("--update-server needs a URL");
        if (url.form == OptionValue::Form::Given) {
            try {
                updateServer = FtpServer::Parse(url.value);
            } catch (const ServerUrlError& e) {
                throw OptionError(e.what());
            }
            return true;
        }
    }
    if (accepts(TrustCertificate)) {
        if (argument == "--save") {
            certificate.keep = NamedCertificate::Keep::InTheStore;
            return true;
        }
        const OptionValue fingerprint = ValueOf("--trust-certificate", arguments, index);
        if (fingerprint.form != OptionValue::Form::Other) {
            const std::optional<std::string> read = TrustStore::ReadFingerprint(fingerprint.value);
            if (!read)
                throw OptionError("--trust-certificate needs a SHA-256 fingerprint (64 hex digits, AB:CD:...)");
            certificate.fingerprint = *read;
            return true;
        }
    }
    return false;
}

void SharedOptions::Finish()
{
    if (certificate.keep == NamedCertificate::Keep::InTheStore && certificate.fingerprint.empty())
        throw OptionError("--save needs --trust-certificate");
    if (folderNamed_ && dataFolder_)
        throw OptionError("--folder and --data-folder exclude each other");
    if (dataFolder_)
        folder = ListFolder::UserData();
}

} // namespace quorvane::app
