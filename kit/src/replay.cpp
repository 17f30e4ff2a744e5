// The replay driver: runs a program on the headless platform with a script played into it from
// its first event on, ends it with a quit once the script is used up, and saves what it drew: the
// log lines, every N-th frame and the final canvas.
//
// Files are handled so that a replay can never harm one: the script is opened once and only when
// it is a regular file; no output may be the script or another output; and every output is written
// under a temporary name beside its final one and renamed into place only when complete.
#include "kit_internal.h"

#include "../platform/backend.h"

#include "veldo/headless.h"
#include "veldo/kit.h"
#include "veldo/replay.h"

#include <cairo.h>
#include <fcntl.h>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace veldo {

namespace {

// A program that takes this many events after the replay's quit will never end on it.
constexpr int QUIT_LIMIT = 1000;
// The largest --every accepted; beyond it no frame would ever be saved anyway.
constexpr long long EVERY_LIMIT = 1000000000LL;
// How many of the script's events a replay plays unless told otherwise: more than a day of play
// (27 h 46 min at 40 ticks a second, where a long game lasts an hour or two), yet under an hour of
// the tool's time even with the table full of flies (about 1,400 events a second on the machine
// this was measured on; 5,500 with the two flies of an idle game). A single line of a hostile
// script can ask for two billion ticks, weeks of work.
constexpr long long DEFAULT_MAX_EVENTS = 4000000LL;
constexpr long long MAX_EVENTS_LIMIT = 1000000000000LL;

constexpr int EXIT_REPLAYED = 0;
constexpr int EXIT_FILE_ERROR = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_CUT_SHORT = 3;

struct Options {
  const char* script = nullptr;
  const char* png = nullptr;
  const char* log = nullptr;
  const char* frames = nullptr;
  long long every = 1;
  bool every_given = false;
  long long max_events = DEFAULT_MAX_EVENTS;
  bool max_events_given = false;
  bool trace = false;
  bool help = false;
  bool version = false;
};

// Where a file is: its resolved path and, when it exists, its identity.
struct Place {
  std::string where; // the real path of the file, or of its directory followed by its name
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  mode_t mode = 0; // the permissions of an existing file, which its replacement keeps
};

// One output file. Unless it is something other than a regular file (a device, a pipe), which
// renaming would replace, it is written under a temporary name in its final directory and
// renamed over its final name only once complete: a failure never leaves a partial file behind
// and never empties an earlier one.
struct Output {
  std::string what;  // "log", "picture", "frame"
  std::string given; // its name as the messages give it
  Place place;
  bool in_place = false;
  int slot = 0; // its entry in the list of temporary files to remove on a signal
  std::string temporary;
  std::FILE* file = nullptr;
  int error = 0; // the first error met while writing
};

// What one replay keeps while the program runs. The kit calls back into the driver through plain
// functions (the await hook, the headless idle handler, the log observer), so this is
// module-level, as the kit's own state is.
struct ReplayRun {
  Options options;
  std::string name;
  std::FILE* script = nullptr; // until the kit takes it over
  Place script_place;
  std::string frames_where; // the frame directory's resolved path
  Output log;
  Output png;
  bool started = false;
  int quits_sent = 0;
  long long script_events = -1; // the events the program had when the script ended
  bool cut_short = false;
  uint64_t last_frame_event = 0;
  bool frame_failed = false;
};

ReplayRun run;

// ---- Temporary files and signals ---------------------------------------------------------------

// The temporary files being written, for a signal handler to remove: the log, the picture and a
// frame. A slot's path is only read while its flag is set.
constexpr int TEMPORARY_SLOTS = 3;
char temporary_paths[TEMPORARY_SLOTS][PATH_MAX];
volatile std::sig_atomic_t temporary_set[TEMPORARY_SLOTS];

void track_temporary(int slot, const std::string& path) {
  temporary_set[slot] = 0;
  std::snprintf(temporary_paths[slot], sizeof temporary_paths[slot], "%s", path.c_str());
  temporary_set[slot] = 1;
}

void untrack_temporary(int slot) {
  temporary_set[slot] = 0;
}

void remove_temporaries() {
  for (int slot = 0; slot < TEMPORARY_SLOTS; ++slot) {
    if (temporary_set[slot] != 0)
      ::unlink(temporary_paths[slot]);
  }
}

// An interrupted or killed replay has nothing to save: it removes what it was writing and ends as
// the signal would have ended it.
extern "C" void remove_temporaries_and_end(int signal_number) {
  remove_temporaries();
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

constexpr int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
struct sigaction previous_actions[std::size(ENDING_SIGNALS) + 1];

// kit_open() makes SIGINT and SIGTERM a quit, but during playback the script's events would
// overwrite it, so the replay takes them over again once the program has started. A file size
// limit becomes a write error with its message rather than a silent end.
void take_over_signals() {
  struct sigaction action = {};
  action.sa_handler = remove_temporaries_and_end;
  sigemptyset(&action.sa_mask);
  for (int signal_number : ENDING_SIGNALS)
    sigaction(signal_number, &action, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
}

void save_signals() {
  for (size_t i = 0; i < std::size(ENDING_SIGNALS); ++i)
    sigaction(ENDING_SIGNALS[i], nullptr, &previous_actions[i]);
  sigaction(SIGXFSZ, nullptr, &previous_actions[std::size(ENDING_SIGNALS)]);
}

void restore_signals() {
  for (size_t i = 0; i < std::size(ENDING_SIGNALS); ++i)
    sigaction(ENDING_SIGNALS[i], &previous_actions[i], nullptr);
  sigaction(SIGXFSZ, &previous_actions[std::size(ENDING_SIGNALS)], nullptr);
}

// ---- Arguments ---------------------------------------------------------------------------------

std::string program_name(int argc, char** argv) {
  if (argc < 1 || argv[0] == nullptr || argv[0][0] == '\0')
    return "replay";
  const char* slash = std::strrchr(argv[0], '/');
  return slash != nullptr ? slash + 1 : argv[0];
}

std::string usage_line(const std::string& name) {
  return "usage: " + name +
         " [--png FILE] [--log FILE [--trace]] [--frames DIR [--every N]] [--max-events N] SCRIPT";
}

void print_help(const std::string& name) {
  std::printf("%s\n"
              "Replays SCRIPT, a recorded script, through the program without a display.\n"
              "  --png FILE        save the final canvas as a PNG picture\n"
              "  --log FILE        write every line the log window receives\n"
              "  --trace           with --log: the drawing calls of every frame, not only the "
              "final one\n"
              "  --frames DIR      save the canvas after every event as DIR/frame-000001.png, ...\n"
              "  --every N         with --frames: after every N-th event only\n"
              "  --max-events N    stop after N of the script's events (default %lld)\n"
              "  --help            print this help and exit\n"
              "  --version         print the version and exit\n",
              usage_line(name).c_str(), DEFAULT_MAX_EVENTS);
}

// A positive decimal count up to `limit`, digits only.
bool parse_count(const char* text, long long limit, long long* value) {
  if (text == nullptr || *text == '\0')
    return false;
  long long result = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9')
      return false;
    result = result * 10 + (*c - '0');
    if (result > limit)
      return false;
  }
  *value = result;
  return result > 0;
}

enum OptionId {
  OPTION_PNG = 256,
  OPTION_LOG,
  OPTION_TRACE,
  OPTION_FRAMES,
  OPTION_EVERY,
  OPTION_MAX_EVENTS,
  OPTION_VERSION
};

const struct option LONG_OPTIONS[] = {
    {"png", required_argument, nullptr, OPTION_PNG},
    {"log", required_argument, nullptr, OPTION_LOG},
    {"trace", no_argument, nullptr, OPTION_TRACE},
    {"frames", required_argument, nullptr, OPTION_FRAMES},
    {"every", required_argument, nullptr, OPTION_EVERY},
    {"max-events", required_argument, nullptr, OPTION_MAX_EVENTS},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, OPTION_VERSION},
    {nullptr, 0, nullptr, 0},
};

std::string option_name(int id) {
  for (const struct option& entry : LONG_OPTIONS) {
    if (entry.name != nullptr && entry.val == id)
      return std::string("--") + entry.name;
  }
  return std::string("-") + static_cast<char>(id);
}

// Takes a file or directory name; false with the reason when it is empty or the option came twice.
bool take_name(int id, const char** slot, std::string* why) {
  if (*slot != nullptr) {
    *why = option_name(id) + " given twice";
    return false;
  }
  if (optarg[0] == '\0') {
    *why = option_name(id) + " needs a value";
    return false;
  }
  *slot = optarg;
  return true;
}

bool take_count(int id, long long limit, long long* value, bool* given, std::string* why) {
  if (*given) {
    *why = option_name(id) + " given twice";
    return false;
  }
  if (!parse_count(optarg, limit, value)) {
    *why = option_name(id) + " needs a whole number from 1 to " + std::to_string(limit) +
           ", not \"" + optarg + "\"";
    return false;
  }
  *given = true;
  return true;
}

bool parse_arguments(int argc, char** argv, Options* options, std::string* why) {
  optind = 0; // start afresh: a process may run more than one replay
  opterr = 0; // the reasons are given here, in the tool's own words
  int id;
  while ((id = getopt_long(argc, argv, ":h", LONG_OPTIONS, nullptr)) != -1) {
    switch (id) {
    case OPTION_PNG:
      if (!take_name(id, &options->png, why))
        return false;
      break;
    case OPTION_LOG:
      if (!take_name(id, &options->log, why))
        return false;
      break;
    case OPTION_FRAMES:
      if (!take_name(id, &options->frames, why))
        return false;
      break;
    case OPTION_EVERY:
      if (!take_count(id, EVERY_LIMIT, &options->every, &options->every_given, why))
        return false;
      break;
    case OPTION_MAX_EVENTS:
      if (!take_count(id, MAX_EVENTS_LIMIT, &options->max_events, &options->max_events_given, why))
        return false;
      break;
    case OPTION_TRACE:
      options->trace = true;
      break;
    case 'h':
      options->help = true;
      return true;
    case OPTION_VERSION:
      options->version = true;
      return true;
    case ':':
      *why = std::string(argv[optind - 1]) + " needs a value";
      return false;
    default:
      // An option this tool does not have, or a value given to one that takes none.
      if (optopt == OPTION_TRACE || optopt == 'h' || optopt == OPTION_VERSION)
        *why = option_name(optopt) + " takes no value";
      else if (optopt != 0)
        *why = std::string("unknown option -") + static_cast<char>(optopt);
      else
        *why = std::string("unknown option ") + argv[optind - 1];
      return false;
    }
  }
  for (int i = optind; i < argc; ++i) {
    if (options->script != nullptr) {
      *why = std::string("one script only, not also ") + argv[i];
      return false;
    }
    options->script = argv[i];
  }
  if (options->every_given && options->frames == nullptr) {
    *why = "--every goes with --frames";
    return false;
  }
  if (options->trace && options->log == nullptr) {
    *why = "--trace goes with --log";
    return false;
  }
  if (options->script == nullptr) {
    *why = "no script given";
    return false;
  }
  return true;
}

// ---- Where files are ---------------------------------------------------------------------------

bool fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", run.name.c_str(), message.c_str());
  return false;
}

bool fail_errno(const std::string& what, const std::string& path, int error) {
  return fail(what + " " + path + ": " + std::strerror(error));
}

std::string directory_of(const std::string& where) {
  const size_t slash = where.rfind('/');
  return slash == 0 ? "/" : where.substr(0, slash);
}

std::string name_of(const std::string& where) {
  return where.substr(where.rfind('/') + 1);
}

// Where a path leads: the real path of what it names or, for a file still to be made (or a link
// that leads nowhere), the real path of its directory joined with its own name. False, with
// errno set, when that directory cannot be found.
bool resolve(const std::string& path, std::string* where) {
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    *where = real;
    std::free(real);
    return true;
  }
  if (errno != ENOENT)
    return false;
  const size_t slash = path.rfind('/');
  const std::string directory =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  char* real = ::realpath(directory.c_str(), nullptr);
  if (real == nullptr)
    return false;
  const std::string base = real;
  std::free(real);
  *where = (base == "/" ? "" : base) + "/" + path.substr(slash + 1);
  return true;
}

bool same_file(const Place& a, const Place& b) {
  return a.where == b.where || (a.exists && b.exists && a.device == b.device && a.inode == b.inode);
}

// Whether a place bears one of the frames' names, frame-NNNNNN.png, in the frame directory.
bool is_frame_name(const Place& place) {
  if (run.options.frames == nullptr || directory_of(place.where) != run.frames_where)
    return false;
  const std::string name = name_of(place.where);
  const std::string prefix = "frame-";
  const std::string suffix = ".png";
  if (name.size() < prefix.size() + 6 + suffix.size() || name.rfind(prefix, 0) != 0 ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return false;
  for (size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9')
      return false;
  }
  return true;
}

// ---- The script --------------------------------------------------------------------------------

// Opens the script once, for the whole replay: the kit plays from this very handle. Only a
// regular file is taken. The open never waits, so a named pipe, whether or not anything holds its
// other end, is refused at once like a device or a directory.
bool open_script() {
  const char* script = run.options.script;
  const int fd = ::open(script, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return fail_errno("cannot read the script", script, errno);
  struct stat info;
  int error = 0;
  if (::fstat(fd, &info) != 0)
    error = errno;
  else if (S_ISDIR(info.st_mode))
    error = EISDIR;
  else if (!S_ISREG(info.st_mode))
    error = -1;
  else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
           (run.script = ::fdopen(fd, "r")) == nullptr)
    error = errno;
  if (error != 0) {
    ::close(fd);
    if (error < 0)
      return fail(std::string("cannot read the script ") + script + ": not a regular file");
    return fail_errno("cannot read the script", script, error);
  }
  run.script_place.exists = true;
  run.script_place.device = info.st_dev;
  run.script_place.inode = info.st_ino;
  if (!resolve(script, &run.script_place.where))
    return fail_errno("cannot read the script", script, errno);
  return true;
}

// ---- Outputs -----------------------------------------------------------------------------------

// Finds where an output goes, before anything is written.
bool locate_output(Output& output) {
  const std::string& path = output.given;
  if (path.back() == '/')
    return fail_errno("cannot write the " + output.what, path, EISDIR);
  struct stat info;
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode))
      return fail_errno("cannot write the " + output.what, path, EISDIR);
    output.place.exists = true;
    output.place.device = info.st_dev;
    output.place.inode = info.st_ino;
    output.place.mode = info.st_mode & 07777;
    output.in_place = !S_ISREG(info.st_mode);
    // Renaming would replace a file its owner made read-only; writing it in place would not.
    if (!output.in_place && ::access(path.c_str(), W_OK) != 0)
      return fail_errno("cannot write the " + output.what, path, errno);
  } else if (errno != ENOENT) {
    return fail_errno("cannot write the " + output.what, path, errno);
  }
  if (!resolve(path, &output.place.where))
    return fail_errno("cannot write the " + output.what, path, errno);
  return true;
}

// Opens an output for writing: a temporary file beside its final name (made anew, so that it
// follows no link), or the device or pipe itself, which must take the data without waiting for a
// reader.
bool open_output(Output& output) {
  int fd;
  if (output.in_place) {
    fd = ::open(output.given.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
      const int error = errno;
      ::close(fd);
      return fail_errno("cannot write the " + output.what, output.given, error);
    }
  } else {
    output.temporary =
        directory_of(output.place.where) + "/." + name_of(output.place.where) + ".XXXXXX";
    fd = ::mkostemp(output.temporary.data(), O_CLOEXEC);
    if (fd >= 0) {
      track_temporary(output.slot, output.temporary);
      ::fchmod(fd, output.place.exists ? output.place.mode : kit_new_file_mode());
    }
  }
  if (fd < 0)
    return fail_errno("cannot write the " + output.what, output.given, errno);
  output.file = ::fdopen(fd, "wb");
  if (output.file == nullptr) {
    const int error = errno;
    ::close(fd);
    if (!output.in_place) {
      ::unlink(output.temporary.c_str());
      untrack_temporary(output.slot);
    }
    return fail_errno("cannot write the " + output.what, output.given, error);
  }
  return true;
}

// Closes an output. A complete one written without error takes its final name; anything else is
// removed, and the message names the reason.
bool finish_output(Output& output, bool complete) {
  if (output.file == nullptr)
    return true;
  if (std::fflush(output.file) != 0 && output.error == 0)
    output.error = errno;
  if (std::fclose(output.file) != 0 && output.error == 0)
    output.error = errno;
  output.file = nullptr;
  if (!output.in_place) {
    if (complete && output.error == 0 &&
        std::rename(output.temporary.c_str(), output.place.where.c_str()) != 0)
      output.error = errno;
    if (!complete || output.error != 0)
      ::unlink(output.temporary.c_str());
    untrack_temporary(output.slot);
  }
  if (complete && output.error != 0)
    return fail_errno("cannot write the " + output.what, output.given, output.error);
  return true;
}

// Writes the canvas into an open output as PNG.
void write_canvas(Output& output, cairo_surface_t* canvas) {
  if (int error = kit_write_png(output.file, canvas); error != 0 && output.error == 0)
    output.error = error;
}

// The frame directory is made when it is missing (one level, as mkdir makes it).
bool make_frame_directory() {
  const char* directory = run.options.frames;
  if (::mkdir(directory, 0777) != 0 && errno != EEXIST)
    return fail_errno("cannot write frames in", directory, errno);
  struct stat info;
  if (::stat(directory, &info) != 0)
    return fail_errno("cannot write frames in", directory, errno);
  if (!S_ISDIR(info.st_mode))
    return fail_errno("cannot write frames in", directory, ENOTDIR);
  return true;
}

// Refuses outputs that would overwrite the script or each other: two names for one file, links
// included, and a name the frames will take.
bool check_places() {
  Output* outputs[] = {&run.log, &run.png};
  for (Output* output : outputs) {
    if (output->given.empty())
      continue;
    const std::string refused = "cannot write the " + output->what + " " + output->given + ": ";
    if (same_file(output->place, run.script_place))
      return fail(refused + "it is the script");
    if (output->place.where == run.frames_where)
      return fail(refused + "it is the frame directory");
    if (is_frame_name(output->place))
      return fail(refused + "a frame will take its name");
  }
  if (!run.log.given.empty() && !run.png.given.empty() && same_file(run.log.place, run.png.place))
    return fail("cannot write the picture " + run.png.given + ": it is the same file as the log " +
                run.log.given);
  if (is_frame_name(run.script_place))
    return fail(std::string("cannot write frames in ") + run.options.frames + ": the script " +
                run.options.script + " has a frame's name there");
  return true;
}

// Checks the script and every output before the program starts, so that a replay never runs only
// to find at its end that its result cannot be kept.
bool prepare_files() {
  if (!open_script())
    return false;
  if (run.options.frames != nullptr) {
    std::string directory = run.options.frames;
    while (directory.size() > 1 && directory.back() == '/')
      directory.pop_back();
    if (!resolve(directory, &run.frames_where))
      return fail_errno("cannot write frames in", run.options.frames, errno);
  }
  if (run.options.log != nullptr && !locate_output(run.log))
    return false;
  if (run.options.png != nullptr && !locate_output(run.png))
    return false;
  if (!check_places())
    return false;
  if (run.options.frames != nullptr && !make_frame_directory())
    return false;
  return (run.options.log == nullptr || open_output(run.log)) &&
         (run.options.png == nullptr || open_output(run.png));
}

// ---- Watching the program ----------------------------------------------------------------------

void write_log_line(const char* line) {
  if (std::fputs(line, run.log.file) < 0 && run.log.error == 0)
    run.log.error = errno;
}

// As Ctrl+L does, but only ever on: a log that is on already stays on.
void turn_logging_on() {
  if (!kit.logging_enabled)
    kit_run_command(MENU_LOGGING);
}

// Saves the canvas when the program has just finished with its N-th, 2N-th, ... event. The
// frames are numbered from 1 without gaps, which is what video encoders read. A frame replaces
// whatever bears its name, a link included, without following it.
void save_due_frame() {
  if (run.options.frames == nullptr || run.frame_failed)
    return;
  uint64_t events = platform::events_returned();
  uint64_t every = static_cast<uint64_t>(run.options.every);
  if (events == 0 || events % every != 0 || events == run.last_frame_event)
    return;
  run.last_frame_event = events;
  char name[32];
  std::snprintf(name, sizeof name, "frame-%06llu.png",
                static_cast<unsigned long long>(events / every));
  Output frame;
  frame.what = "frame";
  frame.given = std::string(run.options.frames) + "/" + name;
  frame.place.where = run.frames_where + "/" + name;
  frame.slot = 2;
  cairo_surface_t* canvas = platform::canvas_surface();
  if (canvas == nullptr || !open_output(frame)) {
    run.frame_failed = true;
    return;
  }
  write_canvas(frame, canvas);
  run.frame_failed = !finish_output(frame, true);
}

// A script may ask for more events than a replay should take. Once the program has had the most
// it may, the replay ends there as at the end of the script, if the script holds more: the event
// read ahead to know is not delivered.
void stop_at_the_limit() {
  if (!kit.playing_back ||
      platform::events_returned() < static_cast<uint64_t>(run.options.max_events))
    return;
  const bool more = kit.periodic_run_count > 0 || kit_script_read() == 1;
  kit.pending = PendingEvent();
  if (more) {
    kit_stop_playback();
    run.cut_short = true;
  }
}

// The start of every kit_await_event() call: the program is done with its previous event.
void on_await() {
  if (!run.started) {
    run.started = true;
    take_over_signals();
    // Nobody sees the log window of a replay: hidden, it keeps its lines without drawing them.
    kit_show_log_window(0);
    if (run.options.trace)
      turn_logging_on();
    kit_script_read_from(run.script);
    run.script = nullptr;
    kit_run_command(MENU_PLAYBACK);
  }
  save_due_frame();
  stop_at_the_limit();
}

// The headless platform calls this when the kit would wait with nothing queued, before its clock
// moves on. Playback never waits, so once it has started the kit comes here only when the script
// has no more events: the replay's end. The quit posted here is the program's very next event.
void on_idle() {
  if (!run.started || kit.playing_back || kit.play_one_requested)
    return;
  if (run.quits_sent == 0) {
    run.script_events = static_cast<long long>(platform::events_returned());
    turn_logging_on();
  }
  if (run.quits_sent >= QUIT_LIMIT) {
    std::fprintf(stderr, "%s: the program did not end after %d quits\n", run.name.c_str(),
                 QUIT_LIMIT);
    remove_temporaries();
    std::exit(EXIT_FILE_ERROR);
  }
  ++run.quits_sent;
  platform::post_quit_message(0);
}

bool save_final_png() {
  cairo_surface_t* canvas = platform::canvas_surface();
  if (canvas == nullptr) {
    finish_output(run.png, false);
    return fail("cannot write the picture " + run.png.given + ": the program never opened the kit");
  }
  write_canvas(run.png, canvas);
  return finish_output(run.png, true);
}

// Puts the kit back as the headless tests expect it: no hooks of the driver left behind.
void detach() {
  kit.replay_await_hook = nullptr;
  kit_set_log_observer(nullptr);
  headless::set_idle_handler(nullptr);
  if (run.script != nullptr) {
    std::fclose(run.script);
    run.script = nullptr;
  }
}

// Closes whatever the checks before the run had opened.
void abandon_files() {
  finish_output(run.log, false);
  finish_output(run.png, false);
  if (run.script != nullptr) {
    std::fclose(run.script);
    run.script = nullptr;
  }
}

int replay(int (*program)()) {
  run.log.what = "log";
  run.log.slot = 0;
  if (run.options.log != nullptr)
    run.log.given = run.options.log;
  run.png.what = "picture";
  run.png.slot = 1;
  if (run.options.png != nullptr)
    run.png.given = run.options.png;
  save_signals();
  take_over_signals();
  if (!prepare_files()) {
    abandon_files();
    restore_signals();
    return EXIT_FILE_ERROR;
  }

  headless::reset();
  kit.script_path = run.options.script;
  kit.replay_await_hook = on_await;
  kit_set_log_observer(run.log.file != nullptr ? write_log_line : nullptr);
  headless::set_idle_handler(on_idle);

  program();

  take_over_signals();
  save_due_frame();
  detach();
  bool ok = true;
  if (run.png.file != nullptr)
    ok = save_final_png() && ok;
  ok = finish_output(run.log, true) && ok;
  restore_signals();
  if (run.script_events == 0)
    std::fprintf(stderr, "%s: warning: no event could be replayed from %s\n", run.name.c_str(),
                 run.options.script);
  if (run.cut_short)
    std::fprintf(stderr,
                 "%s: the script %s holds more than %lld events; the replay stopped after the "
                 "first %lld (--max-events)\n",
                 run.name.c_str(), run.options.script, run.options.max_events,
                 run.options.max_events);
  if (!ok || run.frame_failed)
    return EXIT_FILE_ERROR;
  return run.cut_short ? EXIT_CUT_SHORT : EXIT_REPLAYED;
}

} // namespace

} // namespace veldo

using namespace veldo;

extern "C" int kit_replay_main(int argc, char** argv, int (*program)(void)) {
  run = ReplayRun();
  run.name = program_name(argc, argv);
  std::string why;
  if (!parse_arguments(argc, argv, &run.options, &why)) {
    std::fprintf(stderr, "%s: %s\n%s\n", run.name.c_str(), why.c_str(),
                 usage_line(run.name).c_str());
    return EXIT_USAGE;
  }
  if (run.options.help) {
    print_help(run.name);
    return EXIT_REPLAYED;
  }
  if (run.options.version) {
    std::printf("%s (VELDO) %s\n", run.name.c_str(), VELDO_VERSION);
    return EXIT_REPLAYED;
  }
  return replay(program);
}
