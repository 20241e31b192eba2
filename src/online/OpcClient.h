#pragma once

// The online photo store's client library: eight functions, their exchange
// records, callbacks and status codes. The store is any WebDAV server; the
// records keep their field order, text capacities and array sizes so the
// download workflow fills and reads them as fixed blocks. On a 32-bit build
// the records are byte for byte the library's original ones; on a 64-bit
// build the text references are real pointers and the offsets move with them.

#include <cstddef>
#include <cstdint>

namespace hf::opc {

// Service status codes the library returns.
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kCommunications = 2;
inline constexpr std::int32_t kUnexpectedValue = 4;
inline constexpr std::int32_t kFileError = 5;
// "String Error": a roll location whose address does not fit its record.
// The download says so in words of its own.
inline constexpr std::int32_t kLocationTooLong = 6;
inline constexpr std::int32_t kBadPassword = 50;
inline constexpr std::int32_t kNoSuchImage = 51;
inline constexpr std::int32_t kNoSuchFilm = 52;
inline constexpr std::int32_t kBadHandle = 54;
inline constexpr std::int32_t kCancelled = 55;
inline constexpr std::int32_t kBadImageFormat = 57;
inline constexpr std::int32_t kAccessDenied = 87;
inline constexpr std::int32_t kServerFailed = 97;

inline constexpr std::int32_t kVersion = 0x00050002;
inline constexpr int kMaxRolls = 1000;
inline constexpr int kMaxThumbnails = 100;
inline constexpr std::size_t kRollNameSize = 100;  // 99 bytes and a terminator
inline constexpr std::size_t kLocationHostSize = 257;
inline constexpr std::int32_t kThumbnailPixels = 96;
inline constexpr std::int32_t kPicturePixels = 400;
inline constexpr std::int32_t kActivityDownload = 16;

struct RollListRequest {
    const char* email;
    const char* password;
    const char* unused;
    std::int32_t rollCount;  // out
    std::int32_t zero;
};

struct RollEntry {
    char name[kRollNameSize];
};

struct TransferRequest {
    const char* email;            // thumbnails only
    const char* partnerId;        // thumbnails only
    const char* partnerPassword;  // thumbnails only
    const char* rollName;
    std::int32_t one;
    const char* folder;
    char format[4];               // "JPG"
    std::int32_t pixels;          // 96 thumbnails, 400 picture
    std::int32_t thumbnailCount;  // out
    std::uint8_t reserved[64];
};

struct ThumbnailEntry {
    std::int32_t imageNumber;
    std::uint8_t reserved[8];
};

struct PictureDescriptor {
    std::int32_t imageNumber;
    std::uint8_t reserved[788];
};

struct RollLocation {
    std::uint8_t reserved1[501];
    char host[kLocationHostSize];
    std::uint16_t port;
    std::uint8_t reserved2[4];
};

struct Progress {
    std::uint32_t total;
    std::uint32_t done;
};

struct ProxyRecord {
    std::uint8_t reserved[16];
    const char* host;
    std::uint16_t port;
    const char* user;
    const char* password;
};

static_assert(sizeof(RollEntry) == 100);
static_assert(sizeof(ThumbnailEntry) == 12);
static_assert(sizeof(PictureDescriptor) == 792);
static_assert(sizeof(RollLocation) == 764);
static_assert(offsetof(RollLocation, host) == 501);
static_assert(offsetof(RollLocation, port) == 758);
static_assert(sizeof(Progress) == 8 && offsetof(Progress, done) == 4);
static_assert(offsetof(ProxyRecord, host) == 16);
static_assert(offsetof(RollListRequest, rollCount) == 3 * sizeof(void*));
static_assert(offsetof(TransferRequest, one) == 4 * sizeof(void*));
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(RollListRequest) == 20);
static_assert(sizeof(TransferRequest) == 100);
static_assert(offsetof(TransferRequest, folder) == 20 && offsetof(TransferRequest, format) == 24);
static_assert(offsetof(TransferRequest, pixels) == 28 && offsetof(TransferRequest, thumbnailCount) == 32);
static_assert(offsetof(ProxyRecord, port) == 20 && offsetof(ProxyRecord, user) == 24);
static_assert(offsetof(ProxyRecord, password) == 28);
#endif

// The first argument of every callback is the library's: the session handle
// of the running call (0 before a session exists).
using ConnectCallback = int (*)(void* library);  // 1 stops the call
using ProgressCallback = void (*)(void* library, const Progress* progress);
using ProxyCallback = int (*)(void* library, ProxyRecord* record, std::int32_t reason);

// Reasons the proxy callback is asked with.
inline constexpr std::int32_t kProxyAsk = -1;
inline constexpr std::int32_t kProxyFailed = 0;

std::int32_t OpcSetProxyCallback(ProxyCallback callback);
std::int32_t OpcInit(ConnectCallback callback, std::int32_t version, const char* host, std::uint16_t port,
                     const char* partnerId, const char* partnerPassword, std::int32_t* session);
std::int32_t OpcListRelatedFilms(std::int32_t handle, ConnectCallback callback, std::int32_t zero,
                                 std::int32_t capacity, RollEntry* rolls, RollListRequest* request);
std::int32_t OpcGetFilmLocation(std::int32_t handle, ConnectCallback callback, const char* rollName,
                                RollLocation* location);
std::int32_t OpcGetThumbnails(std::int32_t handle, ConnectCallback cancel, ProgressCallback progress,
                              std::int32_t capacity, ThumbnailEntry* thumbnails, TransferRequest* request);
std::int32_t OpcActivityMode(std::int32_t handle, ConnectCallback cancel, std::int32_t mode, std::int32_t a,
                             std::int32_t b);
std::int32_t OpcGetImage(std::int32_t handle, ConnectCallback cancel, ProgressCallback progress,
                         const PictureDescriptor* picture, TransferRequest* request);
std::int32_t OpcClose(std::int32_t handle);

}  // namespace hf::opc
