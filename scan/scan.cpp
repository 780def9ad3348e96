#include "scan/scan.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/appending_file.h"
#include "platform/file_io.h"
#include "platform/file_reader.h"
#include "platform/file_walk.h"
#include "platform/mapped_file.h"
#include "scan/found_groups.h"
#include "scan/index.h"
#include "scan/resume.h"
#include "scan/sha256.h"
#include "scan/store.h"
#include "scan/walk.h"

namespace icoforge::scan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kProgressInterval = std::chrono::milliseconds(200);
// Groups remembered by their bytes, so that a group met again is compared instead of
// hashed and decoded again: at most this many bytes of them are kept.
constexpr std::size_t kRememberedGroupBytes = 64u << 20;
// The bytes at each end of a group that pick its place among those remembered; a group is
// taken for one met before only when all its bytes are the same.
constexpr std::size_t kFingerprintEndBytes = 64;

ByteView BytesOf(const std::string& text) {
    return ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::string HexOfBytes(std::string_view bytes) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kHex[static_cast<std::uint8_t>(c) >> 4];
        hex += kHex[static_cast<std::uint8_t>(c) & 15];
    }
    return hex;
}

std::string DhashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

// The walk's paths on their way to the workers; the walk waits while it is full.
class PathQueue {
public:
    bool Push(WalkEntry&& entry, const std::atomic<bool>& stop) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return entries_.size() < kQueueDepth || stop; });
        if (stop) return false;
        entries_.push_back(std::move(entry));
        ready_.notify_one();
        return true;
    }
    std::optional<WalkEntry> Pop() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !entries_.empty() || closed_; });
        if (entries_.empty()) return std::nullopt;
        WalkEntry entry = std::move(entries_.front());
        entries_.pop_front();
        // The walk waits only on a full queue; waking it at half empty rather than at each
        // path taken spares a switch to it and back for every file.
        if (entries_.size() == kQueueDepth / 2) room_.notify_all();
        return entry;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        ready_.notify_all();
        room_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<WalkEntry> entries_;
    bool closed_ = false;
};

// Paths read from a list, one a line or NUL-ended.
class PathList {
public:
    static Result<PathList> Open(const std::string& source, bool nul_separated) {
        std::FILE* file = source == "-" ? stdin : std::fopen(source.c_str(), "rb");
        if (file == nullptr) return Fail("read", source, LastSystemErrorText());
        return PathList(file, file != stdin, nul_separated ? '\0' : '\n');
    }
    PathList(PathList&& other) noexcept : file_(other.file_), owned_(other.owned_), end_(other.end_) { other.owned_ = false; }
    PathList(const PathList&) = delete;
    ~PathList() {
        if (owned_) std::fclose(file_);
    }
    std::optional<std::string> Next() {
        std::string path;
        for (;;) {
            const int c = std::getc(file_);
            if (c == EOF) {
                if (path.empty()) return std::nullopt;
                break;
            }
            if (static_cast<char>(c) == end_) {
                if (end_ == '\n' && !path.empty() && path.back() == '\r') path.pop_back();
                if (path.empty()) continue;
                break;
            }
            path += static_cast<char>(c);
        }
        return path;
    }

private:
    PathList(std::FILE* file, bool owned, char end) : file_(file), owned_(owned), end_(end) {}
    std::FILE* file_;
    bool owned_;
    char end_;
};

class Scan {
public:
    Scan(const ScanOptions& options, Store& store, const ResumePoint& resume, AppendingFile& index)
        : options_(options), store_(store), resume_(resume), index_(index), format_(IndexFormatOf(IndexPath())) {
        // A store inside a tree it scans would be read back while it is written.
        if (const auto folder = StatusOf(options.output_folder, true))
            store_identity_ = FolderIdentity{folder->device, folder->file_number};
    }

    std::string IndexPath() const {
        return options_.index_path.empty() ? DefaultIndexPath(options_.output_folder) : options_.index_path;
    }

    ScanOutcome Run() {
        const auto start = Clock::now();
        const unsigned jobs = std::min(kMaxJobs, options_.jobs != 0 ? options_.jobs
                                                                    : std::max(1u, std::thread::hardware_concurrency()));
        std::vector<std::thread> workers;
        for (unsigned i = 0; i < jobs; ++i) workers.emplace_back([this] { Work(); });
        std::thread counter;
        if (options_.show_progress && !options_.files_from)
            counter = std::thread([this] {
                Produce([this](WalkEntry&& entry) {
                    if (entry.status) {
                        ++counted_files_;
                        counted_bytes_ += entry.status->size;
                    }
                    return !stop_;
                });
                if (!stop_) Announce(counted_files_, counted_bytes_);
            });
        std::thread progress;
        std::mutex progress_mutex;
        std::condition_variable progress_wake;
        bool finished = false;
        if (options_.show_progress)
            progress = std::thread([&] {
                std::unique_lock lock(progress_mutex);
                while (!progress_wake.wait_for(lock, kProgressInterval, [&] { return finished; })) {
                    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
                    const std::string line = ProgressLine(counters_.Snapshot(), seconds, options_.progress_words);
                    std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
                    std::fflush(stderr);
                }
            });

        std::uint64_t files = 0, bytes = 0;
        Produce([&](WalkEntry&& entry) {
            if (entry.status) {
                ++files;
                bytes += entry.status->size;
            }
            return queue_.Push(std::move(entry), stop_);
        });
        if (!stop_) Announce(files, bytes);
        queue_.Close();
        for (auto& worker : workers) worker.join();
        stop_ = true;  // the counter has nothing left to count for
        if (counter.joinable()) counter.join();
        {
            std::lock_guard lock(progress_mutex);
            finished = true;
        }
        progress_wake.notify_all();
        if (progress.joinable()) {
            progress.join();
            std::fputs("\r\x1b[K", stderr);
        }
        ScanOutcome outcome;
        outcome.counts = counters_.Snapshot();
        outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        outcome.stopped = stopped_;
        return outcome;
    }

private:
    void Announce(std::uint64_t files, std::uint64_t bytes) {
        if (counters_.total_known.exchange(true)) return;
        counters_.files_total = files;
        counters_.bytes_total = bytes;
    }

    // Every path this scan takes, in walk order: the shard's, not yet indexed.
    void Produce(const std::function<bool(WalkEntry&&)>& take) {
        const auto filter = [&](WalkEntry&& entry) {
            if (stop_) return false;
            if (options_.shard && !InShard(entry.path, *options_.shard)) return true;
            if (entry.status && resume_.Done(FileKey(entry.path, entry.status->size, MtimeText(entry.status->mtime_ns))))
                return true;
            return take(std::move(entry));
        };
        if (options_.files_from) {
            auto list = PathList::Open(*options_.files_from, options_.nul_separated);
            if (!list) {
                Stop(list.error());
                return;
            }
            while (auto path = list->Next())
                if (!Walk(*path, filter)) return;
            return;
        }
        for (const auto& root : options_.roots)
            if (!Walk(root, filter)) return;
    }

    bool Walk(const std::string& root, const std::function<bool(WalkEntry&&)>& take) {
        bool going = true;
        WalkTree(root, options_.follow_links, [&](WalkEntry&& entry) { return going = take(std::move(entry)); },
                 store_identity_);
        return going;
    }

    void Stop(Failure failure) {
        std::lock_guard lock(index_mutex_);
        if (!stopped_) stopped_ = std::move(failure);
        stop_ = true;
    }

    void Work() {
        while (auto entry = queue_.Pop()) {
            if (stop_) continue;
            std::string block = Process(*entry);
            if (!block.empty()) Append(block);
            ++counters_.files_done;
            if (entry->status) counters_.bytes_done += entry->status->size;
        }
    }

    void Append(const std::string& block) {
        std::lock_guard lock(index_mutex_);
        if (stop_) return;
        auto appended = index_.Append(BytesOf(block));
        if (!appended) {
            stopped_ = appended.error();
            stop_ = true;
        }
    }

    IndexLine FileFields(const WalkEntry& entry) const {
        IndexLine line;
        if (IsUtf8(entry.path)) {
            line.Text("path", entry.path);
        } else {
            // Readable for people, with U+FFFD for what is not UTF-8; the bytes are in path_hex.
            line.Text("path", nlohmann::json::parse(nlohmann::json(entry.path).dump(-1, ' ', false,
                                                                                  nlohmann::json::error_handler_t::replace))
                                  .get<std::string>());
            line.Text("path_hex", HexOfBytes(entry.path));
        }
        if (entry.status) {
            line.Count("size", entry.status->size);
            line.Text("mtime", MtimeText(entry.status->mtime_ns));
        }
        return line;
    }

    std::string ProblemLine(const WalkEntry& entry, const std::string& reason) {
        ++counters_.problems;
        return FileFields(entry).Text("error", reason).Format(format_);
    }

    struct GroupHashes {
        std::string sha;
        std::optional<std::uint64_t> dhash;
    };

    static std::size_t FingerprintOf(ByteView bytes) {
        const std::size_t end = std::min(bytes.size(), kFingerprintEndBytes);
        const auto text = [](ByteView part) { return std::string_view(reinterpret_cast<const char*>(part.data()), part.size()); };
        return std::hash<std::string_view>{}(text(bytes.first(end))) ^
               (std::hash<std::string_view>{}(text(bytes.last(end))) * 31) ^ bytes.size();
    }

    // Hashing a group's bytes and decoding its largest image are most of its cost, and
    // most groups are met many times (in the 32- and 64-bit builds of a module, in every
    // module of a suite): both hashes are kept with the bytes, up to a bound, then
    // forgotten all at once.
    GroupHashes HashesOf(const FoundGroup& group) {
        const std::size_t fingerprint = FingerprintOf(group.bytes);
        {
            std::lock_guard lock(known_mutex_);
            const auto [first, last] = known_groups_.equal_range(fingerprint);
            for (auto known = first; known != last; ++known)
                if (known->second.bytes == group.bytes) return known->second.hashes;
        }
        GroupHashes hashes{HexOf(Sha256Of(group.bytes)), group.dhash ? group.dhash() : std::nullopt};
        if (group.bytes.size() > kRememberedGroupBytes / 16) return hashes;  // a hostile size, not worth keeping
        std::lock_guard lock(known_mutex_);
        if (known_bytes_ + group.bytes.size() > kRememberedGroupBytes) {
            known_groups_.clear();
            known_bytes_ = 0;
        }
        known_bytes_ += group.bytes.size();
        known_groups_.emplace(fingerprint, KnownGroup{group.bytes, hashes});
        return hashes;
    }

    // The index lines of one file, as one block.
    std::string Process(const WalkEntry& entry) {
        if (!entry.status) return ProblemLine(entry, entry.status.error().reason);
        {
            const auto reader = FileReader::Open(entry.path);
            if (!reader) return ProblemLine(entry, reader.error().reason);
            const auto may_hold = MayHoldGroups(*reader);
            if (!may_hold) return ProblemLine(entry, may_hold.error().reason);
            if (!*may_hold) return {};
        }
        const auto mapped = MappedFile::Open(entry.path);
        if (!mapped) return ProblemLine(entry, mapped.error().reason);
        const ByteView bytes = mapped->bytes();
        if (!MayHoldGroups(bytes)) return {};

        std::vector<IndexLine> lines;
        const IndexLine file_fields = FileFields(entry);
        const auto take = [&](FoundGroup&& group) {
            IndexLine& line = lines.emplace_back(file_fields);
            line.Text("kind", group.kind).Text("type", group.type).CountOrNull("id", group.id);
            line.TextOrNull("name", group.name).CountOrNull("language", group.language);
            line.Count("index", group.index).Json("images", std::move(group.images));
            ++counters_.groups;
            if (group.problem) {
                line.Text("error", *group.problem);
                ++counters_.problems;
                return;
            }
            const auto [sha, dhash] = HashesOf(group);
            line.Text("sha256", sha).TextOrNull("dhash", dhash ? std::optional(DhashText(*dhash)) : std::nullopt);
            const std::string name = StoreName(sha, group.extension);
            auto put = stop_ ? Result<bool>(Fail("write", "", "the scan stopped")) : store_.Put(name, group.bytes);
            if (!put) {
                line.Text("error", "cannot write " + put.error().path + ": " + put.error().reason);
                ++counters_.problems;
                return;
            }
            line.Text("output", name);
            if (*put) {
                ++counters_.new_outputs;
                if (options_.on_written) {
                    std::lock_guard lock(index_mutex_);
                    options_.on_written(store_.PathOf(name));
                }
            }
        };
        const auto fault = [&](FileProblem&& problem) {
            lines.emplace_back(file_fields).Text("error", problem.text);
            ++counters_.problems;
        };
        auto walked = ForEachGroup(bytes, take, fault);
        if (!walked && lines.empty()) return ProblemLine(entry, walked.error().reason);
        if (lines.empty()) return {};
        const std::string module_sha = HexOf(Sha256Of(bytes));
        std::string block;
        for (auto& line : lines) block += line.Text("module_sha256", module_sha).Count("groups", lines.size()).Format(format_);
        return block;
    }

    const ScanOptions& options_;
    Store& store_;
    const ResumePoint& resume_;
    AppendingFile& index_;
    const IndexFormat format_;
    PathQueue queue_;
    ProgressCounters counters_;
    std::atomic<std::uint64_t> counted_files_{0}, counted_bytes_{0};
    std::atomic<bool> stop_{false};
    std::mutex index_mutex_;
    std::optional<FolderIdentity> store_identity_;
    struct KnownGroup {
        ByteBuffer bytes;
        GroupHashes hashes;
    };
    std::mutex known_mutex_;
    std::unordered_multimap<std::size_t, KnownGroup> known_groups_;
    std::size_t known_bytes_ = 0;
    std::optional<Failure> stopped_;
};

}  // namespace

std::string DefaultIndexPath(const std::string& output_folder) { return JoinPath(output_folder, "index.jsonl"); }

std::string MtimeText(std::int64_t ns) {
    constexpr std::int64_t kBillion = 1'000'000'000;
    std::int64_t seconds = ns / kBillion;
    std::int64_t fraction = ns % kBillion;
    if (fraction < 0) {
        fraction += kBillion;
        --seconds;
    }
    // Days to a civil date (proleptic Gregorian), so that no time-zone or C library
    // setting can change the text.
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%09lldZ", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(rest / 3600),
                  static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60),
                  static_cast<long long>(fraction));
    return text;
}

Result<ScanOutcome> RunScan(const ScanOptions& options) {
    auto made = MakeFolders(options.output_folder);
    if (!made) return Fail(made.error());
    Store store(options.output_folder);
    const std::string index_path = options.index_path.empty() ? DefaultIndexPath(options.output_folder) : options.index_path;
    ResumePoint resume;
    if (options.resume) {
        store.Sweep();
        auto taken = TakeUpIndex(index_path, store);
        if (!taken) return Fail(taken.error());
        resume = std::move(*taken);
    } else {
        // A new index, replacing any old one whole.
        if (auto written = WriteWholeFile(index_path, BytesOf(IndexHeader(IndexFormatOf(index_path)))); !written)
            return Fail(written.error());
    }
    auto index = AppendingFile::Open(index_path);
    if (!index) return Fail(index.error());
    Scan scan(options, store, resume, *index);
    ScanOutcome outcome = scan.Run();
    outcome.resumed_files = resume.done.size();
    return outcome;
}

}  // namespace icoforge::scan
