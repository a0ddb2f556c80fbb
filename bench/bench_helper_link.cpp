// Throughput of the helper link: events per second from the stand-in helper
// through the real pipe, the line framer and the decoder to the event stream's
// consumer; beside it, the JSON library alone parsing the same lines from
// memory, and the framer and decoder on those lines without the pipe.
#include "Transport/HelperClient.h"
#include "Transport/NDJSONFramer.h"
#include "Transport/ServerEvent.h"
#include "Transport/WireCoding.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <array>
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
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
