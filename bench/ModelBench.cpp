// Parsing, decoding, encoding and saving the notes file.
#include "model/Clock.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "support/ManualClock.h"
#include "support/NoteGenerator.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <map>

using namespace brivet;
using namespace brivet::testing;

namespace {

const ManualClock& benchClock()
{
    static ManualClock clock;
    return clock;
}

const std::string& notesFile(std::size_t count)
{
    static std::map<std::size_t, std::string> files;
    auto& bytes = files[count];
    if (bytes.empty())
        bytes = encodeNotesFile(generateRealisticNotes(count, benchClock().now(), 42));
    return bytes;
}

void parse_only(benchmark::State& state)
{
    const std::string& bytes = notesFile(static_cast<std::size_t>(state.range(0)));
    simdjson::dom::parser parser;
    simdjson::padded_string padded(bytes);
    for (auto _ : state)
        benchmark::DoNotOptimize(parser.parse(padded));
    state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
}

void decode_notes(benchmark::State& state)
{
    const std::string& bytes = notesFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeNotesFile(bytes, benchClock().now()));
    state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
}

void encode_notes(benchmark::State& state)
{
    auto notes = generateRealisticNotes(static_cast<std::size_t>(state.range(0)), benchClock().now(), 42);
    std::string out;
    for (auto _ : state) {
        encodeNotesFile(notes, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(out.size()) * state.iterations());
}

void save_notes(benchmark::State& state)
{
    auto notes = generateRealisticNotes(static_cast<std::size_t>(state.range(0)), benchClock().now(), 42);
    TempDir dir;
    JsonNoteRepository repository(DataFolder(dir.path() / "Brivet"), benchClock());
    std::size_t size = encodeNotesFile(notes).size();
    for (auto _ : state) {
        // Touch one note so every save writes (identical bytes are skipped).
        notes[0].updatedAt += std::chrono::seconds(1);
        if (Status status = repository.save(notes); !status.ok())
            state.SkipWithError(status.message().c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(size) * state.iterations());
}

} // namespace

BENCHMARK(parse_only)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(decode_notes)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(encode_notes)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(save_notes)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
