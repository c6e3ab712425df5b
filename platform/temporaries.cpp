#include "platform/temporaries.h"

#include <algorithm>
#include <atomic>

#include "platform/system_files.h"

namespace ondrel {
namespace {

constexpr std::string_view kMarker = ".ondrel~";
constexpr std::size_t kRandomDigits = 16, kCheckDigits = 8;
constexpr char kHex[] = "0123456789abcdef";

// FNV-1a over the random digits, salted so that the check means "written by
// this program" rather than "a hash of something".
std::uint32_t Check(std::string_view randomDigits) {
    std::uint32_t hash = 2166136261u;
    for (std::string_view part : {std::string_view("ondrel temporary"), randomDigits})
        for (char c : part) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
    return hash;
}

void AppendHex(std::string& text, std::uint64_t value, std::size_t digits) {
    for (std::size_t i = digits; i-- > 0;) text += kHex[(value >> (4 * i)) & 0xF];
}

std::uint64_t randomState = 0;

// Paths of this run's open temporaries, read by a signal handler: slots of
// plain pointers into strings their owners keep unchanged while registered.
constexpr std::size_t kSlots = 512;
std::atomic<const char*> registered[kSlots];
// Set once an interrupt is being handled. On Windows the handler runs on a
// thread of its own: a path it has taken must not be freed under it, so the
// main thread waits there for the end of the process instead.
std::atomic<bool> interrupted{false};

// Whether a temporary of this file name is one of this run's. The random
// digits make a name another run's only by a one in 2^64 chance.
bool IsRegistered(std::string_view name) {
    for (const auto& slot : registered) {
        const char* path = slot.load();
        if (!path) continue;
        const std::string_view held(path);
        if (held.size() >= name.size() && held.substr(held.size() - name.size()) == name)
            return true;
    }
    return false;
}

}  // namespace

std::string TemporaryName(const std::string& path, std::uint64_t random) {
    std::string name = path;
    name += kMarker;
    AppendHex(name, random, kRandomDigits);
    AppendHex(name, Check(std::string_view(name).substr(name.size() - kRandomDigits)),
              kCheckDigits);
    return name;
}

bool IsTemporaryName(std::string_view name) {
    const std::size_t suffix = kMarker.size() + kRandomDigits + kCheckDigits;
    if (name.size() < suffix || name.substr(name.size() - suffix, kMarker.size()) != kMarker)
        return false;
    const std::string_view digits = name.substr(name.size() - kRandomDigits - kCheckDigits);
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
        return false;
    std::string check;
    AppendHex(check, Check(digits.substr(0, kRandomDigits)), kCheckDigits);
    return digits.substr(kRandomDigits) == check;
}

std::uint64_t NextRandom() {
    // splitmix64 over a seed that differs between processes and runs; names
    // only need to differ, the exclusive create settles any collision.
    if (randomState == 0)
        randomState = (static_cast<std::uint64_t>(system::CurrentProcess()) << 32) ^
                      system::ClockTicks() ^ reinterpret_cast<std::uintptr_t>(&randomState);
    std::uint64_t z = (randomState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void RemoveStaleTemporaries(const std::string& folder) {
    system::ForEachNameContaining(folder, kMarker, [](const std::string& in, const char* name) {
        // Never this run's own: where locks are byte-range locks (NFS), its
        // own open would succeed, and closing it would drop the writer's lock.
        if (IsTemporaryName(name) && !IsRegistered(name)) system::RemoveIfAbandoned(in + name);
    });
}

void RegisterTemporary(const std::string& path) {
    for (auto& slot : registered) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path.c_str())) return;
    }
}

void UnregisterTemporary(const std::string& path) {
    for (auto& slot : registered) {
        const char* mine = path.c_str();
        if (slot.compare_exchange_strong(mine, nullptr)) return;
    }
    while (interrupted.load()) {
    }
}

void RemoveRegisteredTemporaries() {
    interrupted = true;
    for (auto& slot : registered)
        if (const char* path = slot.exchange(nullptr)) system::RemoveFile(path);
}

}  // namespace ondrel
