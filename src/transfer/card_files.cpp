#include "transfer/card_files.h"

#include <QFile>
#include <QSaveFile>

#include "transfer/book_files.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace transfer {
namespace {

// Far more than 32,767 contacts with a photo each: a file beyond it is no address book, and
// reading it whole would only exhaust the memory.
constexpr std::size_t largestCardFile = std::size_t(512) << 20;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { ::close(fd_); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

CardFile readCardFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            throw MissingFile("open", path, store::systemReason(errno));
        throw store::StoreError("open", path, store::systemReason(errno));
    }
    const Descriptor file(fd);
    CardFile card{path, {}};
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw store::StoreError("read", path, store::systemReason(errno));
        if (got == 0)
            return card;
        if (card.bytes.size() + std::size_t(got) > largestCardFile)
            throw store::StoreError("read", path, "the file is too large for an address book");
        card.bytes.append(buffer, std::size_t(got));
    }
}

void writeCardFile(const std::string& path, const std::string& cards)
{
    // An export over the data file itself would put the cards in the contacts' place.
    std::error_code unknown;
    if (std::filesystem::equivalent(path, DataFileName, unknown))
        throw store::StoreError("write", path, "it is the file of the contacts themselves");
    const QString name = QFile::decodeName(path.c_str());
    const bool isNew = !QFile::exists(name);
    QSaveFile file(name);
    const auto fail = [&] {
        throw store::StoreError("write", path, file.errorString().toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    if (isNew)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(cards.data(), qint64(cards.size())) != qint64(cards.size()))
        fail();
    if (!file.commit())
        fail();
}

} // namespace transfer
