// Throughput of the helper link: events per second from the stand-in helper
// through the real pipe, the line framer and the decoder to the event stream's
// consumer; beside it, the JSON library alone parsing the same lines from
// memory, and the framer and decoder on those lines without the pipe.
//
// What the link costs the main thread, seen by a timer that should fire every
// millisecond there (the longest gap, and the 60 Hz frames missed):
// - the stand-in's flood of 5,000,000 events at start (MIVO_STANDIN_FLOOD);
// - one line of 250 MiB that is not JSON (under the framer's maximum: it is
//   read whole and dropped as undecodable), and one of 300 MiB (over it: let go
//   as it arrives), each followed by an event that ends the wait.
// Take the figures on an idle machine from a Release build, with the log out
// of the way:
//   build/bench/bench_helper_link --benchmark_filter='Stall' 2>/dev/null
#include "StallProbe.h"
#include "Transport/HelperClient.h"
#include "Transport/NDJSONFramer.h"
#include "Transport/ServerEvent.h"
#include "Transport/WireCoding.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QElapsedTimer>
#include <array>
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

using namespace mivo;

namespace {

constexpr long kFloodEvents = 200000;

// The same lines the stand-in prints for MIVO_STANDIN_FLOOD: a mix of
// downloadProgress, step and log events with a correlation id.
std::vector<std::string> floodLines(long count)
{
    static constexpr std::array kPhases { "searching", "downloading", "converting", "tagging", "verifying" };
    std::vector<std::string> lines;
    lines.reserve(size_t(count));
    for (long i = 0; i < count; ++i) {
        const std::string trackId = "spotify:pl-flood#" + std::to_string(i / 3);
        nlohmann::ordered_json line = nlohmann::ordered_json::object();
        nlohmann::ordered_json data = nlohmann::ordered_json::object();
        switch (i % 3) {
        case 0:
            line["event"] = "downloadProgress";
            data["trackId"] = trackId;
            data["percent"] = double(i % 101);
            data["sizeText"] = "9.8 MB";
            data["speedText"] = "3.1 MB/s";
            break;
        case 1:
            line["event"] = "step";
            data["trackId"] = trackId;
            data["phase"] = kPhases[size_t(i / 3) % kPhases.size()];
            break;
        default:
            line["event"] = "log";
            data["level"] = "debug";
            data["message"] = "flood " + std::to_string(i);
        }
        line["correlationId"] = "flood";
        line["data"] = std::move(data);
        lines.push_back(line.dump());
    }
    return lines;
}

bool isFloodDone(const HelperEvent& event)
{
    const ServerEvent* server = event.serverEvent();
    const auto* log = server ? std::get_if<ServerEvent::Log>(&server->value) : nullptr;
    return log && log->message == QLatin1String("flood done");
}

// Reads the stream until the flood has passed; returns the events read.
QCoro::Task<long> drainFlood(HelperEventStream& stream)
{
    long count = 0;
    for (;;) {
        const std::optional<HelperEvent> event = co_await stream.next();
        if (!event || isFloodDone(*event))
            break;
        if (event->serverEvent())
            ++count;
    }
    co_return count;
}

void BM_StandInFloodThroughTheLink(benchmark::State& state)
{
    qputenv("MIVO_STANDIN_FLOOD", QByteArray::number(qint64(kFloodEvents)));
    long received = 0;
    for (auto _ : state) {
        HelperClient client(std::make_unique<HelperProcess>(
            QStringLiteral(MIVO_TEST_HELPER_PATH), QStringList { QStringLiteral("serve") }));
        QCoro::waitFor(client.start());
        received += QCoro::waitFor(drainFlood(client.events()));
    }
    qunsetenv("MIVO_STANDIN_FLOOD");
    if (received != kFloodEvents * long(state.iterations()))
        state.SkipWithError("events went missing");
    state.SetItemsProcessed(received);
}
BENCHMARK(BM_StandInFloodThroughTheLink)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Runs the event loop without pause (a loop that sleeps until woken measures
// mostly how late the thread wakes) until `done`, or a minute has passed.
template <class Done> bool spinUntil(Done done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Starts the client, reads its stream until the flood has passed, and notes
// the main thread's longest stall meanwhile and how long it all took.
void measureStall(benchmark::State& state, HelperClient& client, long expectedEvents)
{
    StallProbe probe;
    probe.start();
    QElapsedTimer clock;
    clock.start();
    bool started = false;
    QCoro::connect(client.start(), &client, [&started] { started = true; });
    std::optional<long> received;
    QCoro::connect(drainFlood(client.events()), &client, [&received](long count) { received = count; });
    if (!spinUntil([&] { return started && received; }))
        state.SkipWithError("the flood did not pass within a minute");
    probe.stop();
    if (received && expectedEvents >= 0 && *received != expectedEvents)
        state.SkipWithError("events went missing");
    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    state.counters["longest_stall_ms"] = probe.longestMs();
    state.counters["missed_frames"] = probe.missedFrames();
}

void BM_StallUnderAFloodOf5MEvents(benchmark::State& state)
{
    constexpr long kEvents = 5000000;
    qputenv("MIVO_STANDIN_FLOOD", QByteArray::number(qint64(kEvents)));
    for (auto _ : state) {
        HelperClient client(std::make_unique<HelperProcess>(
            QStringLiteral(MIVO_TEST_HELPER_PATH), QStringList { QStringLiteral("serve") }));
        measureStall(state, client, kEvents);
    }
    qunsetenv("MIVO_STANDIN_FLOOD");
    state.SetItemsProcessed(long(state.iterations()) * kEvents);
}
BENCHMARK(BM_StallUnderAFloodOf5MEvents)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

void BM_StallUnderALongLine(benchmark::State& state)
{
    const qint64 bytes = qint64(state.range(0)) * 1024 * 1024;
    // The line, then the event that ends the wait; the shell then waits for
    // its input to close.
    const QString script = QStringLiteral("head -c %1 /dev/zero | tr '\\000' x; "
                                          "printf '\\n{\"event\":\"log\",\"data\":{\"level\":\"info\","
                                          "\"message\":\"flood done\"}}\\n'; read -r line")
                               .arg(bytes);
    for (auto _ : state) {
        HelperClient client(std::make_unique<HelperProcess>(
            QStringLiteral("/bin/sh"), QStringList { QStringLiteral("-c"), script }));
        measureStall(state, client, 0);
    }
    state.SetBytesProcessed(qint64(state.iterations()) * bytes);
}
BENCHMARK(BM_StallUnderALongLine)
    ->ArgName("MiB")
    ->Arg(250)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

void BM_JsonLibraryParsesTheSameLines(benchmark::State& state)
{
    const std::vector<std::string> lines = floodLines(kFloodEvents);
    for (auto _ : state) {
        for (const std::string& line : lines)
            benchmark::DoNotOptimize(nlohmann::json::parse(line));
    }
    state.SetItemsProcessed(long(state.iterations()) * kFloodEvents);
}
BENCHMARK(BM_JsonLibraryParsesTheSameLines)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The link's own work on the same lines, without the pipe and the event loop.
void BM_FramerAndDecoderOnTheSameLines(benchmark::State& state)
{
    QByteArray stream;
    for (const std::string& line : floodLines(kFloodEvents))
        stream.append(line.data(), qsizetype(line.size())).append('\n');
    constexpr qsizetype kChunk = 64 * 1024;
    for (auto _ : state) {
        NDJSONFramer framer;
        for (qsizetype at = 0; at < stream.size(); at += kChunk) {
            for (const QByteArray& line :
                framer.feed(QByteArrayView(stream).sliced(at, std::min(kChunk, stream.size() - at))))
                benchmark::DoNotOptimize(ServerEvent::fromJson(parseJsonLine(line)));
        }
    }
    state.SetItemsProcessed(long(state.iterations()) * kFloodEvents);
}
BENCHMARK(BM_FramerAndDecoderOnTheSameLines)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
