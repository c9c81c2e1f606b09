#include "core/intake/ImageFileEnd.h"

#include <QFile>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

namespace {

bool readAt(int fd, unsigned char* into, size_t count, off_t offset)
{
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, into + done, count - done, offset + off_t(done));
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

ImageFileEnd imageFileEnd(const QString& path)
{
    static constexpr unsigned char pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    // Length 0, type IEND, and the CRC of "IEND": the same twelve bytes in every PNG.
    static constexpr unsigned char pngEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};

    // Non-blocking: a name swapped for a pipe since the listing must not hang the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return ImageFileEnd::unknown;
    ImageFileEnd result = ImageFileEnd::unknown;
    struct stat st {};
    unsigned char head[8];
    unsigned char tail[12];
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= off_t(sizeof head) &&
        readAt(fd, head, sizeof head, 0)) {
        const off_t size = st.st_size;
        if (std::memcmp(head, pngSignature, sizeof pngSignature) == 0) {
            result = size >= off_t(sizeof pngSignature + sizeof pngEnd) &&
                             readAt(fd, tail, sizeof pngEnd, size - off_t(sizeof pngEnd)) &&
                             std::memcmp(tail, pngEnd, sizeof pngEnd) == 0
                         ? ImageFileEnd::complete
                         : ImageFileEnd::truncated;
        } else if (head[0] == 0xff && head[1] == 0xd8 && head[2] == 0xff) {
            result = readAt(fd, tail, 2, size - 2) && tail[0] == 0xff && tail[1] == 0xd9 ? ImageFileEnd::complete
                                                                                        : ImageFileEnd::truncated;
        }
    }
    ::close(fd);
    return result;
}

} // namespace vantry
