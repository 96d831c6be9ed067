// Kills the real state, with its real store files and writer thread, at
// random moments, relaunches it on the same folder and checks what is on
// disk each time:
// - both files decode;
// - the notes are those after an operation at least as late as the last one
//   whose save had finished before the kill (and no later than the last one
//   begun), field for field on what the operations change;
// - nothing appears twice: no id, no reminder link, no test note;
// - a launch starts from every note the file held, never from an empty or
//   seeded list.
//
// brivet-torture [--seconds N] [--seed N]: the parent, which prints what it
// survived and exits non-zero, keeping the folder, at the first broken
// invariant. The same program runs as the child with --child.

#include "model/AppLogger.h"
#include "model/DataFolder.h"
#include "model/JsonStores.h"
#include "model/NoteCoding.h"
#include "model/UserCalendar.h"
#include "state/AppState.h"
#include "state/NoteTemplate.h"
#include "state/ScreenList.h"
#include "support/InMemoryEventStore.h"
#include "support/ManualClock.h"
#include "sync/ReminderSyncEngine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brivet;
using namespace brivet::testing;
namespace fs = std::filesystem;

namespace {

// --- What the operations do to the test notes ---------------------------------
//
// A test note is titled "t/<op that created it>/<op that last renamed it>"
// and its tasks "k/<op that added it>", so both sides can tell them apart
// from the samples and imported reminders, and from each other, by title.

struct NoteShape {
    long long edit = 0;
    std::map<std::string, bool> tasks; // title → done
    friend bool operator==(const NoteShape&, const NoteShape&) = default;
};
using Shape = std::map<long long, NoteShape>; // by the op that created it

std::optional<std::pair<long long, long long>> parseTitle(const std::string& title)
{
    long long created = 0, edit = 0;
    char tail = 0;
    if (title.rfind("t/", 0) != 0 || std::sscanf(title.c_str(), "t/%lld/%lld%c", &created, &edit, &tail) != 2)
        return std::nullopt;
    return std::make_pair(created, edit);
}

std::string describe(const Shape& shape)
{
    std::ostringstream out;
    for (const auto& [created, note] : shape) {
        out << "  t/" << created << "/" << note.edit << ":";
        for (const auto& [task, done] : note.tasks)
            out << " " << task << (done ? "+" : "-");
        out << "\n";
    }
    return out.str();
}

// One operation as the child announces it before doing it:
// "begin <op> <kind> <args…>".
struct Step {
    long long op = 0;
    std::string kind;
    std::vector<std::string> args;
};

// The test notes after `step`; false when the step names a note that the
// shape does not hold (a broken log).
bool applyStep(Shape& shape, const Step& step)
{
    const auto created = [&](std::size_t index) { return std::stoll(step.args.at(index)); };
    if (step.kind == "create") {
        shape[step.op] = NoteShape { step.op, {} };
        return true;
    }
    if (step.kind == "defer" || step.kind == "move" || step.kind == "show" || step.kind == "hide" || step.kind == "sync")
        return true;
    auto note = shape.find(created(0));
    if (note == shape.end())
        return false;
    if (step.kind == "rename")
        note->second.edit = step.op;
    else if (step.kind == "delete")
        shape.erase(note);
    else if (step.kind == "add")
        note->second.tasks["k/" + std::to_string(step.op)] = false;
    else if (step.kind == "tick")
        note->second.tasks[step.args.at(1)] = step.args.at(2) == "1";
    else if (step.kind == "untask")
        note->second.tasks.erase(step.args.at(1));
    else
        return false;
    return true;
}

// --- The child --------------------------------------------------------------

void say(const std::string& line)
{
    std::string text = line + "\n";
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            std::_Exit(3);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

struct TestNote {
    Uuid id;
    long long created;
};

std::vector<TestNote> testNotes(const AppState& state)
{
    std::vector<TestNote> found;
    for (const StickyNote& note : state.notes())
        if (auto parsed = parseTitle(note.title))
            found.push_back({ note.id, parsed->first });
    return found;
}

int runChild(const fs::path& folderPath, long long firstOp, std::uint64_t seed, long long stopAfter)
{
    std::mt19937_64 random(seed);
    const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };

    UserCalendar calendar("Asia/Shanghai", "zh_CN");
    // A day further for every run, so deferrals of earlier runs end at launch.
    ManualClock clock(instantFromSeconds(1'796'000'000 + (firstOp / 1'000'000) * 86'400));
    ManualScheduler scheduler(clock);
    AppLogger logger(clock, calendar);
    FixedScreenList screens({ Rect { 0, 0, 1920, 1055 } });
    DefaultTemplateProvider templates(clock, calendar);

    DataFolder folder(folderPath);
    if (!folder.ensureExists().ok())
        return 4;
    auto lock = FolderLock::acquire(folder);
    if (!std::holds_alternative<FolderLock>(lock))
        return 5;
    JsonNoteRepository notesFile(folder, clock, &logger);
    JsonPreferencesStore preferencesFile(folder, clock, calendar, &logger);

    // The same reminders at every launch, as a store that kept them.
    auto store = std::make_unique<InMemoryEventStore>(clock);
    store->addList("work", "工作");
    for (int i = 1; i <= 3; ++i)
        store->addReminder("r" + std::to_string(i), "work", "提醒 " + std::to_string(i), std::nullopt,
            instantFromSeconds(1'795'000'000));
    ReminderSyncEngine engine(std::move(store), clock, calendar);

    AppState state(AppStateDependencies { notesFile, preferencesFile, templates, engine, logger, clock, scheduler, screens,
        calendar, {}, SaveThread::writer });
    {
        std::string ids;
        for (const StickyNote& note : state.notes())
            ids += (ids.empty() ? "" : ",") + note.id.toString();
        say("launched " + (ids.empty() ? std::string("-") : ids));
    }
    scheduler.runDue();
    if (state.preferences().selectedReminderListIDs.empty())
        state.updatePreferences([](AppPreferences& p) {
            p.selectedReminderListIDs = { "work" };
            p.includeCalendarEvents = false;
        });

    for (long long op = firstOp;; ++op) {
        if (stopAfter >= 0 && op - firstOp >= stopAfter) {
            say(state.flushPendingSaves() ? "quit " + std::to_string(op - 1) : "unsaved");
            return 0;
        }
        std::vector<TestNote> notes = testNotes(state);
        const std::string number = std::to_string(op);
        const int roll = static_cast<int>(random() % 100);
        if (notes.size() < 4 || roll < 12) {
            say("begin " + number + " create");
            NoteTemplate shape;
            shape.title = "t/" + number + "/" + number;
            shape.category = "测试";
            state.createNote(&shape, NoteSizePreset::small, chance(50) ? NewNoteWindow::hidden : NewNoteWindow::shown);
        } else {
            const TestNote& target = notes[pick(notes.size())];
            const StickyNote* note = state.findNote(target.id);
            const std::string created = std::to_string(target.created);
            if (roll < 32) {
                say("begin " + number + " rename " + created);
                state.updateNoteTitle(target.id, "t/" + created + "/" + number);
            } else if (roll < 45) {
                say("begin " + number + " add " + created);
                state.addTask(target.id, "k/" + number);
            } else if (roll < 60 && !note->tasks.empty()) {
                const NoteTask& task = note->tasks[pick(note->tasks.size())];
                const bool done = !task.isCompleted;
                say("begin " + number + " tick " + created + " " + task.title + " " + (done ? "1" : "0"));
                state.setTaskCompletion(target.id, task.id, done);
            } else if (roll < 64 && !note->tasks.empty()) {
                const NoteTask& task = note->tasks[pick(note->tasks.size())];
                say("begin " + number + " untask " + created + " " + task.title);
                state.deleteTask(target.id, task.id);
            } else if (roll < 70 && notes.size() > 4) {
                say("begin " + number + " delete " + created);
                state.deleteNote(target.id);
            } else if (roll < 76) {
                say("begin " + number + " defer " + created);
                state.deferNote(target.id, clock.now() + std::chrono::hours(1));
            } else if (roll < 86) {
                say("begin " + number + " move " + created);
                state.updateWindowFrame(target.id,
                    Rect { static_cast<double>(random() % 1500), static_cast<double>(random() % 800), 344, 248 });
            } else if (roll < 91) {
                say("begin " + number + " show " + created);
                state.reveal(target.id, SurfacePolicy::bypass, WindowFocus::keep);
            } else if (roll < 95) {
                say("begin " + number + " hide " + created);
                state.hide(target.id);
            } else {
                say("begin " + number + " sync");
                state.synchronizeSystemData(true);
            }
        }
        // Sometimes the next change comes at once, sometimes after the
        // debounced save went out.
        if (chance(60))
            scheduler.advance(std::chrono::milliseconds(random() % 700));
        if (chance(20) && state.flushPendingSaves())
            say("saved " + number);
    }
}

// --- The parent ---------------------------------------------------------------

struct Child {
    pid_t pid = -1;
    int output = -1;
};

Child spawn(const std::string& self, const fs::path& folder, long long firstOp, std::uint64_t seed, long long stopAfter)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const std::string first = std::to_string(firstOp), seedText = std::to_string(seed), stop = std::to_string(stopAfter);
        const std::string folderText = folder.string();
        ::execl(self.c_str(), self.c_str(), "--child", folderText.c_str(), first.c_str(), seedText.c_str(), stop.c_str(),
            static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(pipeFds[1]);
    return { pid, pipeFds[0] };
}

// Reads what the child said until `deadline` (or its end), then kills it
// unless it ended by itself; returns all it said and how it ended.
std::string superviseAndKill(const Child& child, std::chrono::steady_clock::time_point deadline, bool letItFinish,
    int& status)
{
    std::string said;
    char buffer[4096];
    bool open = true;
    while (open) {
        int wait = -1;
        if (!letItFinish) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            wait = static_cast<int>(left.count());
        }
        pollfd entry { child.output, POLLIN, 0 };
        int ready = ::poll(&entry, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        ssize_t got = ::read(child.output, buffer, sizeof buffer);
        if (got <= 0)
            open = false;
        else
            said.append(buffer, static_cast<std::size_t>(got));
    }
    ::kill(child.pid, SIGKILL);
    ::waitpid(child.pid, &status, 0);
    // What it wrote before it died is still in the pipe.
    for (;;) {
        ssize_t got = ::read(child.output, buffer, sizeof buffer);
        if (got <= 0)
            break;
        said.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(child.output);
    return said;
}

std::string readWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct OnDisk {
    std::vector<StickyNote> notes;
    bool exists = false;
};

struct Verdict {
    std::string failure; // empty: fine
    OnDisk disk;
    Shape shape;
};

Verdict inspect(const fs::path& folder)
{
    Verdict verdict;
    const Instant now = instantFromSeconds(1'796'000'000);
    if (fs::exists(folder / "notes.json")) {
        verdict.disk.exists = true;
        auto decoded = decodeNotesFile(readWhole(folder / "notes.json"), now);
        if (!std::holds_alternative<std::vector<StickyNote>>(decoded)) {
            verdict.failure = "notes.json does not decode";
            return verdict;
        }
        verdict.disk.notes = std::move(std::get<std::vector<StickyNote>>(decoded));
    }
    if (fs::exists(folder / "preferences.json")) {
        UserCalendar calendar("Asia/Shanghai", "zh_CN");
        auto decoded = decodePreferencesFile(readWhole(folder / "preferences.json"), calendar, now);
        if (!std::holds_alternative<AppPreferences>(decoded)) {
            verdict.failure = "preferences.json does not decode";
            return verdict;
        }
    }
    std::set<Uuid> ids;
    std::set<std::string> links;
    for (const StickyNote& note : verdict.disk.notes) {
        if (!ids.insert(note.id).second)
            verdict.failure = "the note " + note.id.toString() + " is in the file twice";
        if (note.externalLink
            && !links.insert(std::string(rawValue(note.externalLink->source)) + ":" + note.externalLink->externalID).second)
            verdict.failure = "two notes link to the reminder " + note.externalLink->externalID;
        auto parsed = parseTitle(note.title);
        if (!parsed)
            continue;
        if (verdict.shape.count(parsed->first))
            verdict.failure = "the test note t/" + std::to_string(parsed->first) + " is in the file twice";
        NoteShape& shape = verdict.shape[parsed->first];
        shape.edit = parsed->second;
        for (const NoteTask& task : note.tasks)
            shape.tasks[task.title] = task.isCompleted;
    }
    return verdict;
}

int runParent(const std::string& self, double seconds, std::uint64_t seed)
{
    char pattern[] = "/tmp/brivet-torture-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) {
        std::perror("mkdtemp");
        return 2;
    }
    const fs::path root(made);
    const fs::path folder = root / "Brivet";
    std::mt19937_64 random(seed);
    std::printf("StoreTorture: seed %llu, %.0f s, folder %s\n", static_cast<unsigned long long>(seed), seconds, folder.c_str());
    std::fflush(stdout);

    Shape model;
    std::set<Uuid> idsOnDisk;
    long long kills = 0, quits = 0, operations = 0, checks = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (long long run = 1; std::chrono::steady_clock::now() < end; ++run) {
        const long long firstOp = run * 1'000'000;
        const bool cleanQuit = random() % 10 == 0;
        // Most kills fall in the first half second: the launch and the
        // first saves are where the files change most.
        const auto lifetime = std::chrono::milliseconds(random() % 4 == 0 ? random() % 2000 : random() % 500);
        Child child = spawn(self, folder, firstOp, random(), cleanQuit ? static_cast<long long>(random() % 40) : -1);
        if (child.pid <= 0) {
            std::perror("fork");
            return 2;
        }
        int status = 0;
        const std::string said = superviseAndKill(child, std::chrono::steady_clock::now() + lifetime, cleanQuit, status);

        // Replay what the child said.
        std::vector<Shape> candidates { model }; // after the last saved op … the last begun
        std::optional<std::vector<std::string>> launchedIds;
        bool saidQuit = false;
        std::string failure;
        // Each line is one write, whole or not at all; cut anything after
        // the last one all the same.
        std::istringstream lines(said.substr(0, said.rfind('\n') + 1));
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "launched") {
                std::string list;
                words >> list;
                launchedIds.emplace();
                std::istringstream items(list);
                std::string item;
                while (std::getline(items, item, ','))
                    if (item != "-")
                        launchedIds->push_back(item);
            } else if (word == "begin") {
                Step step;
                words >> step.op >> step.kind;
                for (std::string arg; words >> arg;)
                    step.args.push_back(arg);
                Shape next = candidates.back();
                if (!applyStep(next, step)) {
                    failure = "the child acted on a note it should not have: " + line;
                    break;
                }
                candidates.push_back(std::move(next));
                ++operations;
            } else if (word == "saved" || word == "quit") {
                // Everything up to here is on disk; earlier states no longer count.
                candidates.erase(candidates.begin(), candidates.end() - 1);
                saidQuit = word == "quit";
            } else if (word == "unsaved") {
                failure = "a clean quit could not write the files";
            }
        }
        if (cleanQuit && !saidQuit && failure.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            failure = "a child meant to quit cleanly ended with status " + std::to_string(status);
        if (failure.empty() && launchedIds) {
            std::set<std::string> launched(launchedIds->begin(), launchedIds->end());
            for (const Uuid& id : idsOnDisk)
                if (!launched.count(id.toString())) {
                    failure = "the launch did not start from the note " + id.toString() + " the file held";
                    break;
                }
        }
        Verdict verdict = inspect(folder);
        if (failure.empty())
            failure = verdict.failure;
        if (failure.empty()
            && std::find(candidates.begin(), candidates.end(), verdict.shape) == candidates.end()) {
            failure = "the file holds none of the states the operations since the last finished save left\n"
                      "on disk:\n"
                + describe(verdict.shape) + "last saved state:\n" + describe(candidates.front()) + "last begun state:\n"
                + describe(candidates.back());
        }
        ++checks;
        if (!failure.empty()) {
            std::printf("StoreTorture: run %lld (%s after %lld ms): %s\nThe folder is kept: %s\nWhat the child said:\n%s\n",
                run, cleanQuit ? "clean quit" : "killed", static_cast<long long>(lifetime.count()), failure.c_str(),
                folder.c_str(), said.c_str());
            std::printf("0 passed, 1 failed\n");
            return 1;
        }
        model = verdict.shape;
        idsOnDisk.clear();
        for (const StickyNote& note : verdict.disk.notes)
            idsOnDisk.insert(note.id);
        if (saidQuit)
            ++quits;
        else
            ++kills;
    }
    std::error_code ignored;
    fs::remove_all(root, ignored);
    std::printf("StoreTorture: %lld kills survived, %lld clean quits, %lld operations, %lld checks; the last file held %zu "
                "notes, %zu of them test notes\n",
        kills, quits, operations, checks, idsOnDisk.size(), model.size());
    std::printf("%lld passed, 0 failed\n", checks);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 5 && args[0] == "--child")
        return runChild(args[1], std::stoll(args[2]), std::stoull(args[3]), std::stoll(args[4]));
    double seconds = 60;
    std::uint64_t seed = std::random_device {}();
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds")
            seconds = std::stod(args[i + 1]);
        else if (args[i] == "--seed")
            seed = std::stoull(args[i + 1]);
    }
    char self[4096];
    ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return 2;
    self[length] = '\0';
    return runParent(self, seconds, seed);
}
