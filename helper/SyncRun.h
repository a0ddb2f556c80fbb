#pragma once

#include "LineWriter.h"
#include "SampleLibrary.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace mivo::standin {

// One simulated sync run on a thread of its own. It pushes the run's events at the
// configured pace, stops at each track that needs review until the decision arrives,
// and ends with syncDone whose counts are those of the trackFinished events it sent.
//
// A cancelled run stops promptly: it sends one log event ("Sync cancelled") and a
// proxyStatus "off", and no playlistFinished or syncDone after that.
class SyncRun {
public:
    struct Plan {
        std::string runId;
        std::vector<const PlaylistInfo*> playlists;
        Json config; // the configuration when the run started
        std::set<std::string> trashed; // orphan paths already moved away
    };

    struct Decision {
        std::string kind; // accept, skip, candidate, url
        std::string value; // the candidate id or the address
    };

    SyncRun(LineWriter& out, const SampleLibrary& library, Plan plan, std::chrono::microseconds interval);
    ~SyncRun();
    SyncRun(const SyncRun&) = delete;
    SyncRun& operator=(const SyncRun&) = delete;

    void start();
    // Asks the run to stop and waits until its thread has ended.
    void cancelAndWait();
    bool isFinished() const { return m_finished; }
    const std::string& runId() const { return m_plan.runId; }

    // Gives the decision to the track that waits under this id; false when none waits.
    bool decide(const std::string& trackId, const Decision& decision);

private:
    enum class Outcome { present, ok, flagged, failed, skipped, upgraded };
    struct Summary {
        std::int64_t present = 0, ok = 0, flagged = 0, failed = 0, skipped = 0, upgraded = 0, removed = 0;
    };
    class Cancelled { };

    void run();
    void runPlaylist(std::int64_t index, const PlaylistInfo& playlist);
    Outcome runTrack(const TrackInfo& track);
    Outcome review(const TrackInfo& track);
    void download(const TrackInfo& track, const std::string& source, bool verify);

    // Each writes one event and then waits out the pace; throws Cancelled once cancelled.
    void emit(std::string_view kind, Json data);
    void emitUncorrelated(std::string_view kind, Json data);
    void log(const char* level, const std::string& message);
    void step(const TrackInfo& track, const char* phase, const std::string& detail = {});
    void finish(const TrackInfo& track, const char* status, const std::string& detail, const char* kind,
        std::optional<Json> meta);
    void pace();
    void checkCancelled();

    LineWriter& m_out;
    const SampleLibrary& m_library;
    const Plan m_plan;
    const std::chrono::microseconds m_interval;
    Summary m_summary;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false;
    std::optional<std::string> m_awaiting; // track id of the open review
    std::optional<Decision> m_decision;

    std::atomic<bool> m_finished { false };
    std::thread m_thread;
};

} // namespace mivo::standin
