// The two transfers: a roll's thumbnails and one picture.

#include "Call.h"
#include "ImageIO.h"
#include "OpcClient.h"
#include "Pictures.h"
#include "Propfind.h"
#include "Store.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace hf::opc {
namespace {

namespace fs = std::filesystem;

// The first bytes read of each JPEG: enough for the EXIF segment of most
// cameras with its thumbnail; a longer segment is read on to its end.
constexpr std::uint64_t kHeadBytes = 16 * std::uint64_t{1024};
constexpr std::size_t kMaxExifEnd = 2 + 4 + 0xFFFF + 64 * 1024;
constexpr std::size_t kMaxPictureBytes = 256u << 20;
// Some stores answer a picture's address with a redirect to where it is
// kept; a chain longer than this leads nowhere.
constexpr int kMaxRedirects = 5;

// The files one call writes. Each is written under a temporary name and
// renamed when whole; unless the call commits, they are removed again.
class OutputFiles {
public:
    explicit OutputFiles(fs::path folder) : folder_(std::move(folder)) {}
    ~OutputFiles()
    {
        if (committed_)
            return;
        std::error_code ec;
        for (const auto& p : written_)
            fs::remove(p, ec);
    }
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    bool write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const fs::path final = folder_ / name;
        const fs::path temporary = folder_ / ("." + name + ".part");
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            out.flush();
            if (!out) {
                std::error_code ec;
                fs::remove(temporary, ec);
                return false;
            }
        }
        std::error_code ec;
        fs::rename(temporary, final, ec);
        if (ec) {
            fs::remove(temporary, ec);
            return false;
        }
        written_.push_back(final);
        return true;
    }

    // A gap keeps no file, not even one left from an earlier roll.
    void clear(const std::string& name)
    {
        std::error_code ec;
        fs::remove(folder_ / name, ec);
    }

    void commit() { committed_ = true; }

private:
    fs::path folder_;
    std::vector<fs::path> written_;
    bool committed_ = false;
};

bool usableFolder(const char* folder)
{
    std::error_code ec;
    return folder && *folder && fs::is_directory(folder, ec);
}

std::string numbered(const char* pattern, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

bool hasPictureExtension(const std::string& name, bool jpegOnly)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = name.substr(dot + 1);
    for (auto& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe")
        return true;
    return !jpegOnly &&
           (ext == "png" || ext == "gif" || ext == "bmp" || ext == "tif" || ext == "tiff" || ext == "webp" ||
            ext == "heic" || ext == "heif" || ext == "hif" || ext == "avif" || ext == "jxl");
}

bool isPicture(const DavMember& m)
{
    if (m.collection)
        return false;
    if (!m.contentType.empty() && m.contentType.rfind("image/", 0) == 0)
        return true;
    return hasPictureExtension(m.name, false);
}

bool isJpeg(const DavMember& m)
{
    if (m.contentType.rfind("image/jpeg", 0) == 0 || m.contentType.rfind("image/pjpeg", 0) == 0)
        return true;
    return hasPictureExtension(m.name, true);
}

struct Roll {
    std::string url;
    std::vector<DavMember> pictures;
};

// The roll's first `keep` pictures in name order; the status when it cannot
// be listed. The listing is read as it arrives: a roll of any length costs
// only the pictures kept.
std::int32_t listRoll(Call& call, const Session& session, const char* rollName, std::size_t keep, Roll& roll)
{
    roll.url = Store::instance().rollUrl(session.baseUrl, rollName);
    MemberReader reader(roll.url, keep, isPicture);
    const HttpResponse r = call.propfind(roll.url, 1, Store::instance().accountFor(roll.url), &reader);
    if (const std::int32_t status = statusFor(r, kNoSuchFilm); status != kOk)
        return status;
    auto members = reader.finish();
    if (!members)
        return kUnexpectedValue;
    roll.pictures = std::move(*members);
    return kOk;
}

using Range = std::optional<std::pair<std::uint64_t, std::uint64_t>>;

struct Fetched {
    HttpResponse response;
    bool redirected = false;  // the answer came from where a redirect led
};

// A picture's bytes, through the redirects a store may answer with: a few
// hops, over http and https only. Each hop gets the account only when its
// server is one the account goes to anyway.
Fetched fetch(Call& call, std::string url, Range range, bool wholePicture)
{
    Fetched f;
    for (int hop = 0;; ++hop) {
        HttpRequest request;
        request.url = url;
        request.range = range;
        request.credentials = Store::instance().accountFor(url);
        request.maxBody = kMaxPictureBytes;
        request.wholePicture = wholePicture;
        f.response = call.send(std::move(request));
        const HttpResponse& r = f.response;
        if (r.failure != HttpFailure::None || r.status < 300 || r.status >= 400 || r.redirect.empty() ||
            originOf(r.redirect).empty() || hop == kMaxRedirects)
            return f;
        url = r.redirect;
        f.redirected = true;
    }
}

// Only failures that end the whole call: the connection, the proxy, or the
// store refusing the account. A picture that is missing, broken, too large,
// or refused by the other server a redirect led to is a gap.
bool endsTheCall(const Fetched& f)
{
    const HttpResponse& r = f.response;
    if (r.failure == HttpFailure::TooLarge)
        return false;
    return r.failure != HttpFailure::None || r.status == 407 || (!f.redirected && (r.status == 401 || r.status == 403));
}

bool answered(const HttpResponse& r, long status)
{
    return r.failure == HttpFailure::None && r.status == status;
}

struct Outcome {
    LBitmap picture;
    std::optional<std::int32_t> fatal;  // the status that ends the call
};

// One thumbnail with as few bytes as the server allows: the head of a JPEG
// for its EXIF thumbnail, else the whole picture.
Outcome thumbnailOf(Call& call, const std::string& url, const DavMember& member)
{
    const DecodeStop stop = [&call] { return call.stopRequested(); };
    if (isJpeg(member)) {
        Fetched fetched = fetch(call, url, std::make_pair(std::uint64_t(0), kHeadBytes - 1), false);
        if (endsTheCall(fetched))
            return {{}, statusFor(fetched.response, kNoSuchImage)};
        HttpResponse& head = fetched.response;
        if (head.failure != HttpFailure::None)
            return {};
        // Ranges not honoured, or a file no longer than its head: that is
        // the whole file.
        if (head.status == 200 || (head.status == 206 && head.fullSize != 0 && head.body.size() >= head.fullSize))
            return {decodeSmallPicture(head.body.bytes(), kThumbnailPixels, stop), std::nullopt};
        if (head.status == 206) {
            const JpegHead jpeg = inspectJpegHead(head.body.bytes());
            if (jpeg.exifEnd > head.body.size() && jpeg.exifEnd <= kMaxExifEnd) {
                const Fetched rest = fetch(
                    call, url, std::make_pair(std::uint64_t(head.body.size()), std::uint64_t(jpeg.exifEnd - 1)), false);
                if (endsTheCall(rest))
                    return {{}, statusFor(rest.response, kNoSuchImage)};
                if (answered(rest.response, 206))
                    head.body.append(rest.response.body.bytes(), kMaxExifEnd);
            }
            if (jpeg.exifEnd != 0 && jpeg.exifEnd <= head.body.size()) {
                const Bytes payload = head.body.bytes().subspan(jpeg.exifBegin, jpeg.exifEnd - jpeg.exifBegin);
                if (LBitmap t = exifThumbnail(readExif(payload), kThumbnailPixels); t.IsAllocated())
                    return {std::move(t), std::nullopt};
            }
        }
    }
    const Fetched whole = fetch(call, url, std::nullopt, true);
    if (endsTheCall(whole))
        return {{}, statusFor(whole.response, kNoSuchImage)};
    if (!answered(whole.response, 200))
        return {};
    return {decodeSmallPicture(whole.response.body.bytes(), kThumbnailPixels, stop), std::nullopt};
}

// The plan counts every picture whole: a JPEG whose own thumbnail is found
// in its head then moves the bar on by what it did not need, and the bar
// never goes back when one has to come whole after all.
std::uint64_t estimateFor(const DavMember& m)
{
    return m.length.value_or(kHeadBytes);
}

}  // namespace

std::int32_t OpcGetThumbnails(std::int32_t handle, ConnectCallback cancel, ProgressCallback progress,
                              std::int32_t capacity, ThumbnailEntry* thumbnails, TransferRequest* request)
{
    const auto session = Store::instance().session(handle);
    if (!session)
        return kBadHandle;
    if (!request || !request->rollName || (!thumbnails && capacity > 0))
        return kUnexpectedValue;
    request->thumbnailCount = 0;
    if (!usableFolder(request->folder))
        return kFileError;
    Call call(handle, cancel, progress, session->userAgent);
    Roll roll;
    const int wanted = std::clamp(capacity, 0, kMaxThumbnails);
    if (const std::int32_t status = listRoll(call, *session, request->rollName, std::size_t(wanted), roll);
        status != kOk)
        return status;

    const int count = std::min<int>(int(roll.pictures.size()), std::clamp(capacity, 0, kMaxThumbnails));
    OutputFiles files(request->folder);
    for (int i = 0; i < count; ++i) {
        std::uint64_t remaining = 0;
        for (int j = i; j < count; ++j)
            remaining += estimateFor(roll.pictures[std::size_t(j)]);
        call.setTotal(call.done() + remaining);
        const DavMember& member = roll.pictures[std::size_t(i)];
        const Outcome made = thumbnailOf(call, roll.url + percentEncode(member.name), member);
        if (made.fatal)
            return *made.fatal;
        // A decode the cancel cut short is no gap.
        if (call.stopRequested())
            return kCancelled;
        const std::string name = numbered("t%04d.jpg", i + 1);
        const std::vector<std::uint8_t> jpeg = encodeJpeg(made.picture);
        if (jpeg.empty())
            files.clear(name);
        else if (!files.write(name, jpeg))
            return kFileError;
    }
    if (call.stopRequested())
        return kCancelled;
    for (int i = 0; i < count; ++i) {
        std::memset(&thumbnails[i], 0, sizeof thumbnails[i]);
        thumbnails[i].imageNumber = i + 1;
    }
    request->thumbnailCount = count;
    call.finish();
    files.commit();
    return kOk;
}

std::int32_t OpcGetImage(std::int32_t handle, ConnectCallback cancel, ProgressCallback progress,
                         const PictureDescriptor* picture, TransferRequest* request)
{
    const auto session = Store::instance().session(handle);
    if (!session)
        return kBadHandle;
    if (!picture || !request || !request->rollName)
        return kUnexpectedValue;
    if (!usableFolder(request->folder))
        return kFileError;
    Call call(handle, cancel, progress, session->userAgent);
    Roll roll;
    const std::int32_t number = picture->imageNumber;
    if (const std::int32_t status = listRoll(call, *session, request->rollName, std::size_t(std::max(number, 0)), roll);
        status != kOk)
        return status;
    if (number < 1 || std::size_t(number) > roll.pictures.size())
        return kNoSuchImage;
    const DavMember& member = roll.pictures[std::size_t(number - 1)];
    call.setTotal(call.done() + member.length.value_or(0));
    const Fetched fetched = fetch(call, roll.url + percentEncode(member.name), std::nullopt, true);
    if (const std::int32_t status = statusFor(fetched.response, kNoSuchImage); status != kOk)
        return status;
    const LBitmap small =
        decodeSmallPicture(fetched.response.body.bytes(), kPicturePixels, [&call] { return call.stopRequested(); });
    if (!small.IsAllocated())
        return call.stopRequested() ? kCancelled : kBadImageFormat;
    const std::vector<std::uint8_t> jpeg = encodeJpeg(small);
    OutputFiles files(request->folder);
    if (jpeg.empty() || !files.write(numbered("%04d.jpg", number), jpeg))
        return kFileError;
    if (call.stopRequested())
        return kCancelled;
    call.finish();
    files.commit();
    return kOk;
}

}  // namespace hf::opc
