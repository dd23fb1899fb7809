// HKEY_LOCAL_MACHINE as a hive file. Readable by everybody, writable by whoever may write its folder
// (root alone, as the folder is made 0755). Every change is read, made and written under an advisory
// lock, and lands by renaming a flushed temporary file over the hive, so readers see it whole.
#include "platform/BuildSettings.h"
#include "platform/HiveDocument.h"
#include "platform/HiveStore.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace {
std::string& Path() {
    static std::string path = DefaultHiveFile;
    return path;
}

std::string Folder(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    bool Close() { // reports the error of a delayed write
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The hive as it is now; a missing file is an empty hive. False when it cannot be read.
bool ReadHive(std::string& bytes) {
    bytes.clear();
    FileDescriptor fd(::open(Path().c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::optional<HiveDocument> LoadHive() {
    std::string bytes;
    if (!ReadHive(bytes))
        return std::nullopt;
    return HiveDocument::Parse(bytes);
}

// Makes the missing folders of the hive, each readable by everybody whatever the umask.
bool MakeFolders(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    if (errno != ENOENT || folder == "/" || folder == ".")
        return false;
    if (!MakeFolders(Folder(folder)))
        return false;
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
        return false;
    return ::chmod(folder.c_str(), 0755) == 0 || errno == EPERM;
}

// The lock file beside the hive. Opening it for writing is the test of the right to change the hive:
// only who may write the folder may create it, and it is made writable by its owner alone.
FileDescriptor OpenLock(bool createFolders) {
    const std::string folder = Folder(Path());
    if (createFolders && !MakeFolders(folder))
        return FileDescriptor();
    const std::string lock = Path() + ".lock";
    return FileDescriptor(::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
}

// Locks for writing, per open file, so that two accessors of one process also wait for each other.
bool Lock(int fd, short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    while (::fcntl(fd, F_OFD_SETLKW, &lock) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

bool Replace(const std::string& bytes) {
    const std::string folder = Folder(Path());
    // One fixed name, used under the lock only: a writer killed midway leaves no litter behind.
    const std::string temporary = Path() + ".tmp";
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd)
        return false;
    struct stat old {};
    const mode_t mode = ::stat(Path().c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
    bool ok = ::fchmod(fd.get(), mode) == 0 && WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && ::rename(temporary.c_str(), Path().c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename is durable only once the folder is on disk too.
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return directory && ::fsync(directory.get()) == 0;
}

// Reads, changes and writes the hive under the lock. The change returns false when it refuses,
// and leaves the document unchanged when there is nothing to write.
bool Change(int lockFd, const std::function<bool(HiveDocument&)>& change) {
    if (!Lock(lockFd, F_WRLCK))
        return false;
    auto document = LoadHive();
    bool ok = document && document->Valid();
    if (ok) {
        const std::string before = document->Bytes();
        ok = change(*document);
        if (ok && document->Bytes() != before)
            ok = Replace(document->Bytes());
    }
    Lock(lockFd, F_UNLCK);
    return ok;
}

constexpr std::uint32_t WriteRights = RegAccess::SetValue | RegAccess::CreateSubKey | RegAccess::CreateLink |
                                      0x10000 /* DELETE */ | 0x40000 /* WRITE_DAC */ | 0x80000 /* WRITE_OWNER */;

// Holds the lock file open when opened with write rights; reads take the hive as it is at that moment.
class HiveKey : public RegistryKeyHandle {
public:
    HiveKey(std::string path, FileDescriptor lock) : path_(std::move(path)), lock_(std::move(lock)) {}

    ReadOutcome Read(const std::string& name, StoredValue& value) override {
        const auto document = LoadHive();
        return document ? document->Read(path_, name, value) : ReadOutcome::Failed;
    }

    bool Write(const std::string& name, const StoredValue& value) override {
        return lock_ && Change(lock_.get(), [&](HiveDocument& document) { return document.Write(path_, name, value); });
    }

private:
    std::string path_;
    FileDescriptor lock_;
};
} // namespace

void SetHiveFilePath(const std::string& path) {
    Path() = path;
}
const std::string& HiveFilePath() {
    return Path();
}

std::unique_ptr<RegistryKeyHandle> OpenRegistryKey(TRootKey root, const std::string& path, std::uint32_t access) {
    if (root != HKEY_LOCAL_MACHINE)
        return nullptr;
    const auto document = LoadHive();
    if (!document || !document->KeyExists(path))
        return nullptr;
    if ((access & WriteRights) == 0)
        return std::make_unique<HiveKey>(path, FileDescriptor());
    FileDescriptor lock = OpenLock(false);
    if (!lock)
        return nullptr;
    return std::make_unique<HiveKey>(path, std::move(lock));
}

std::unique_ptr<RegistryKeyHandle> CreateRegistryKey(TRootKey root, const std::string& path, std::uint32_t access) {
    if (root != HKEY_LOCAL_MACHINE)
        return nullptr;
    FileDescriptor lock = OpenLock(true);
    if (!lock)
        return nullptr;
    if (!Change(lock.get(), [&](HiveDocument& document) { return document.KeyExists(path) || document.AddKey(path); }))
        return nullptr;
    return std::make_unique<HiveKey>(path, (access & WriteRights) != 0 ? std::move(lock) : FileDescriptor());
}
