// TRegistry over the platform's store: keys opened with the rights asked for, string values, failures
// raised as ERegistryException in the wording of the registry accessor.
#include "platform/Registry.h"

#include "platform/Exceptions.h"
#include "platform/RegistryStore.h"

namespace {
std::string Relative(const std::string& key) {
    return !key.empty() && key[0] == '\\' ? key.substr(1) : key;
}

ERegistryException Failure(const char* what, const std::string& name) {
    return ERegistryException(std::string(what) + " '" + MessageText(name) + "'");
}
} // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() {
    CloseKey();
}

bool TRegistry::KeyExists(const std::string& key) {
    return OpenRegistryKey(RootKey, Relative(key),
                           RegAccess::StandardRead | RegAccess::QueryValue | RegAccess::EnumerateSubKeys) != nullptr;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    CloseKey();
    for (const std::uint32_t access :
         {RegAccess::Read, RegAccess::StandardRead | RegAccess::QueryValue | RegAccess::EnumerateSubKeys,
          RegAccess::QueryValue}) {
        current_ = OpenRegistryKey(RootKey, Relative(key), access);
        if (current_)
            return true;
    }
    return false;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    CloseKey();
    current_ = canCreate ? CreateRegistryKey(RootKey, Relative(key), RegAccess::AllAccess)
                         : OpenRegistryKey(RootKey, Relative(key), RegAccess::AllAccess);
    return current_ != nullptr;
}

void TRegistry::CreateKey(const std::string& key) {
    if (!CreateRegistryKey(RootKey, Relative(key), RegAccess::AllAccess))
        throw ERegistryException("Failed to create key " + MessageText(key));
}

std::string TRegistry::ReadString(const std::string& name) {
    StoredValue value;
    const ReadOutcome outcome = current_ ? current_->Read(name, value) : ReadOutcome::Failed;
    if (outcome == ReadOutcome::Failed)
        throw Failure("Failed to get data for", name);
    if (outcome == ReadOutcome::Missing || value.data.empty())
        return {};
    if (value.type != RegType::String && value.type != RegType::ExpandString)
        throw Failure("Invalid data type for", name);
    return value.data.substr(0, value.data.find('\0'));
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!current_ || !current_->Write(name, StoredValue{RegType::String, value + '\0'}))
        throw Failure("Failed to set data for", name);
}

void TRegistry::CloseKey() {
    current_.reset();
}
