#include "protobuf/uuid.hpp"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "model/mix.hpp"

namespace forvela::pb {

namespace {

// xoshiro256**, seeded with 256 bits from getrandom (or /dev/urandom).
class Generator {
public:
    Generator() {
        if (!fill_from_os(s_, sizeof s_)) {
            // No entropy source at all: mix the clock and the thread's stack address.
            std::uint64_t x = static_cast<std::uint64_t>(
                std::chrono::high_resolution_clock::now().time_since_epoch().count());
            x ^= reinterpret_cast<std::uintptr_t>(&x);
            for (auto& w : s_) w = splitmix(x);
        }
        if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0) s_[0] = 1;
    }
    std::uint64_t next() {
        std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t splitmix(std::uint64_t& x) { return mix64(x += 0x9e3779b97f4a7c15ULL); }
    static bool fill_from_os(void* buf, std::size_t n) {
        auto* p = static_cast<unsigned char*>(buf);
        std::size_t got = 0;
        while (got < n) {
            ssize_t r = getrandom(p + got, n - got, 0);
            if (r < 0) {
                if (errno == EINTR) continue;
                break;
            }
            got += static_cast<std::size_t>(r);
        }
        if (got == n) return true;
        int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        got = 0;
        while (got < n) {
            ssize_t r = ::read(fd, p + got, n - got);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) break;
            got += static_cast<std::size_t>(r);
        }
        ::close(fd);
        return got == n;
    }
    std::uint64_t s_[4];
};

}  // namespace

std::string new_uuid_v4() {
    static thread_local Generator gen;
    unsigned char b[16];
    std::uint64_t hi = gen.next(), lo = gen.next();
    std::memcpy(b, &hi, 8);
    std::memcpy(b + 8, &lo, 8);
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);  // version 4
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);  // RFC 4122 variant
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(36);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
        out.push_back(kHex[b[i] >> 4]);
        out.push_back(kHex[b[i] & 15]);
    }
    return out;
}

}  // namespace forvela::pb
