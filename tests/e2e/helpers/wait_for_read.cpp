// Waits until a file has been opened for reading and closed again, also a file that does not
// exist yet: the directories on its way are watched as they appear. Prints "watching" once the
// first watch is set, so that a test can start what it waits for only then. This is how a test
// knows that the program has read a file (the catalogue at the end of start-up, a source it was
// told about) without guessing how long that takes.
// Usage: wait-for-read <file> <seconds>
// Exits 0 when the file was read, 1 after <seconds> without.
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

bool IsDirectory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string Parent(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Name(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The deepest directory on the way to `path` that exists now.
std::string DeepestExisting(std::string path) {
    while (!IsDirectory(path)) path = Parent(path);
    return path;
}

class Watcher {
  public:
    Watcher(std::string file, Clock::time_point deadline)
        : file_(std::move(file)), deadline_(deadline), fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {}

    // Watches the nearest existing directory on the way, stepping down as directories appear,
    // until the file's own directory reports a read-only close of the file.
    bool WaitForRead() {
        for (;;) {
            const std::string directory = DeepestExisting(Parent(file_));
            const bool atFile = directory == Parent(file_);
            if (inotify_add_watch(fd_, directory.c_str(),
                                  atFile ? IN_CLOSE_NOWRITE : IN_CREATE | IN_MOVED_TO) < 0)
                return false;
            AnnounceOnce();
            // A directory created between the look and the watch is seen by looking again.
            if (!atFile && DeepestExisting(Parent(file_)) != directory) continue;
            if (!NextEvent(atFile ? Name(file_) : std::string(),
                           atFile ? IN_CLOSE_NOWRITE : IN_CREATE | IN_MOVED_TO))
                return false;
            if (atFile) return true;
        }
    }

  private:
    void AnnounceOnce() {
        if (announced_) return;
        std::puts("watching");
        std::fflush(stdout);
        announced_ = true;
    }

    // Waits for an event with one of the bits (and, when given, about the entry of that name).
    bool NextEvent(const std::string& name, std::uint32_t bits) {
        std::array<char, 8192> buffer{};
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
            if (left.count() <= 0) return false;
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
            const ssize_t length = read(fd_, buffer.data(), buffer.size());
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + offset);
                if ((event->mask & bits) && (name.empty() || (event->len > 0 && name == event->name)))
                    return true;
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

    std::string file_;
    Clock::time_point deadline_;
    int fd_;
    bool announced_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <file> <seconds>\n", argv[0]);
        return 64;
    }
    Watcher watcher(argv[1], Clock::now() + std::chrono::seconds(std::atoi(argv[2])));
    if (watcher.WaitForRead()) return 0;
    std::fprintf(stderr, "%s was not read within %s s\n", argv[1], argv[2]);
    return 1;
}
