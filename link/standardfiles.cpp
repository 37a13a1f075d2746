#include "standardfiles.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qn62 {

void keepStandardFilesOpen()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number, which is fd itself.
        open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
}

} // namespace qn62
