// The replay driver: runs a program on the headless platform with a script played into it from
// its first event on, ends it with a quit once the script is used up, and saves what it drew: the
// log lines, every N-th frame and the final canvas.
#include "kit_internal.h"

#include "../platform/backend.h"

#include "veldo/headless.h"
#include "veldo/kit.h"
#include "veldo/replay.h"

#include <cairo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace veldo {

namespace {

// A program that takes this many events after the replay's quit will never end on it.
constexpr int QUIT_LIMIT = 1000;
// The largest --every accepted; beyond it no frame would ever be saved anyway.
constexpr long EVERY_LIMIT = 1000000000L;

struct Options {
  const char* script = nullptr;
  const char* png = nullptr;
  const char* log = nullptr;
  const char* frames = nullptr;
  long every = 1;
  bool every_given = false;
  bool trace = false;
  bool help = false;
};

// What one replay keeps while the program runs. The kit calls back into the driver through plain
// functions (the await hook, the headless idle handler, the log observer), so this is
// module-level, as the kit's own state is.
struct ReplayRun {
  Options options;
  std::string name;
  std::FILE* log = nullptr;
  std::FILE* png = nullptr;
  bool started = false;
  int quits_sent = 0;
  uint64_t last_frame_event = 0;
  bool frame_failed = false;
  std::string frame_error;
};

ReplayRun run;

// ---- Arguments ---------------------------------------------------------------------------------

std::string program_name(int argc, char** argv) {
  if (argc < 1 || argv[0] == nullptr || argv[0][0] == '\0')
    return "replay";
  const char* slash = std::strrchr(argv[0], '/');
  return slash != nullptr ? slash + 1 : argv[0];
}

std::string usage_line(const std::string& name) {
  return "usage: " + name +
         " [--png FILE] [--log FILE] [--trace] [--frames DIR [--every N]] SCRIPT";
}

// A positive decimal count, digits only.
bool parse_count(const char* text, long* value) {
  if (text == nullptr || *text == '\0')
    return false;
  long result = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9')
      return false;
    result = result * 10 + (*c - '0');
    if (result > EVERY_LIMIT)
      return false;
  }
  *value = result;
  return result > 0;
}

// Takes the value of an option that needs one; false with the reason when there is none or the
// option came twice.
bool option_value(int argc, char** argv, int* index, const char** slot, std::string* why) {
  const char* option = argv[*index];
  if (*slot != nullptr) {
    *why = std::string(option) + " given twice";
    return false;
  }
  if (*index + 1 >= argc) {
    *why = std::string(option) + " needs a value";
    return false;
  }
  *slot = argv[++*index];
  return true;
}

bool parse_arguments(int argc, char** argv, Options* options, std::string* why) {
  bool options_ended = false;
  const char* every = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    bool is_option = !options_ended && argument[0] == '-' && argument[1] != '\0';
    if (!is_option) {
      if (options->script != nullptr) {
        *why = std::string("one script only, not also ") + argument;
        return false;
      }
      options->script = argument;
      continue;
    }
    if (std::strcmp(argument, "--") == 0) {
      options_ended = true;
    } else if (std::strcmp(argument, "--png") == 0) {
      if (!option_value(argc, argv, &i, &options->png, why))
        return false;
    } else if (std::strcmp(argument, "--log") == 0) {
      if (!option_value(argc, argv, &i, &options->log, why))
        return false;
    } else if (std::strcmp(argument, "--frames") == 0) {
      if (!option_value(argc, argv, &i, &options->frames, why))
        return false;
    } else if (std::strcmp(argument, "--every") == 0) {
      if (!option_value(argc, argv, &i, &every, why))
        return false;
      if (!parse_count(every, &options->every)) {
        *why =
            std::string("--every needs a whole number from 1 to 1000000000, not \"") + every + "\"";
        return false;
      }
      options->every_given = true;
    } else if (std::strcmp(argument, "--trace") == 0) {
      options->trace = true;
    } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
      options->help = true;
      return true;
    } else {
      *why = std::string("unknown option ") + argument;
      return false;
    }
  }
  if (options->every_given && options->frames == nullptr) {
    *why = "--every goes with --frames";
    return false;
  }
  if (options->script == nullptr) {
    *why = "no script given";
    return false;
  }
  return true;
}

// ---- Checking the files before the run ---------------------------------------------------------

bool fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", run.name.c_str(), message.c_str());
  return false;
}

bool fail_errno(const std::string& what, const char* path, int error) {
  return fail(what + " " + path + ": " + std::strerror(error));
}

bool same_file(const struct stat& a, const char* path) {
  struct stat b;
  return ::stat(path, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The script must be a file that can be opened for reading; the kit's reader opens it again when
// playback starts.
bool check_script(struct stat* script_stat) {
  const char* script = run.options.script;
  if (::stat(script, script_stat) != 0)
    return fail_errno("cannot read the script", script, errno);
  if (S_ISDIR(script_stat->st_mode))
    return fail_errno("cannot read the script", script, EISDIR);
  std::FILE* file = std::fopen(script, "r");
  if (file == nullptr)
    return fail_errno("cannot read the script", script, errno);
  std::fclose(file);
  return true;
}

// Opens an output for writing now, so that a replay never runs only to find at its end that its
// result cannot be kept. An output must not be the script itself, which writing would empty.
bool open_output(const char* what, const char* path, const struct stat& script_stat,
                 std::FILE** file) {
  if (same_file(script_stat, path))
    return fail(std::string("cannot write the ") + what + " " + path + ": it is the script");
  *file = std::fopen(path, "wb");
  if (*file == nullptr)
    return fail_errno(std::string("cannot write the ") + what, path, errno);
  return true;
}

// The frame directory is made when it is missing (one level, as mkdir makes it) and must take new
// files.
bool check_frame_directory() {
  const char* directory = run.options.frames;
  if (::mkdir(directory, 0777) != 0 && errno != EEXIST)
    return fail_errno("cannot write frames in", directory, errno);
  struct stat info;
  if (::stat(directory, &info) != 0)
    return fail_errno("cannot write frames in", directory, errno);
  if (!S_ISDIR(info.st_mode))
    return fail_errno("cannot write frames in", directory, ENOTDIR);
  if (::access(directory, W_OK | X_OK) != 0)
    return fail_errno("cannot write frames in", directory, errno);
  return true;
}

// ---- Watching the program ----------------------------------------------------------------------

void write_log_line(const char* line) {
  std::fputs(line, run.log);
}

// As Ctrl+L does, but only ever on: a log that is on already stays on.
void turn_logging_on() {
  if (!kit.logging_enabled)
    kit_run_command(MENU_LOGGING);
}

// Saves the canvas when the program has just finished with its N-th, 2N-th, ... event. The
// frames are numbered from 1 without gaps, which is what video encoders read.
void save_due_frame() {
  if (run.options.frames == nullptr || run.frame_failed)
    return;
  uint64_t events = platform::events_returned();
  uint64_t every = static_cast<uint64_t>(run.options.every);
  if (events == 0 || events % every != 0 || events == run.last_frame_event)
    return;
  run.last_frame_event = events;
  std::string path = std::string(run.options.frames) + "/frame-";
  char number[32];
  std::snprintf(number, sizeof number, "%06llu.png",
                static_cast<unsigned long long>(events / every));
  path += number;
  if (!headless::save_canvas_png(path.c_str())) {
    run.frame_failed = true;
    run.frame_error = path;
  }
}

// The start of every kit_await_event() call: the program is done with its previous event.
void on_await() {
  if (!run.started) {
    run.started = true;
    // kit_open() made SIGINT and SIGTERM a quit, but a quit during playback is overwritten by the
    // script's event; an interrupted replay has nothing to save, so it simply ends.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    // Nobody sees the log window of a replay: hidden, it keeps its lines without drawing them.
    kit_show_log_window(0);
    if (run.options.trace)
      turn_logging_on();
    kit_run_command(MENU_PLAYBACK);
  }
  save_due_frame();
}

// The headless platform calls this when the kit would wait with nothing queued, before its clock
// moves on. Playback never waits, so once it has started the kit comes here only when the script
// has no more events: the replay's end. The quit posted here is the program's very next event.
void on_idle() {
  if (!run.started || kit.playing_back || kit.play_one_requested)
    return;
  if (run.quits_sent == 0)
    turn_logging_on();
  if (run.quits_sent >= QUIT_LIMIT) {
    std::fprintf(stderr, "%s: the program did not end after %d quits\n", run.name.c_str(),
                 QUIT_LIMIT);
    std::exit(1);
  }
  ++run.quits_sent;
  platform::post_quit_message(0);
}

cairo_status_t write_png_bytes(void* closure, const unsigned char* data, unsigned int length) {
  std::FILE* file = static_cast<std::FILE*>(closure);
  return std::fwrite(data, 1, length, file) == length ? CAIRO_STATUS_SUCCESS
                                                      : CAIRO_STATUS_WRITE_ERROR;
}

bool save_final_png() {
  std::FILE* file = run.png;
  run.png = nullptr;
  cairo_surface_t* canvas = platform::canvas_surface();
  bool written = false;
  if (canvas == nullptr) {
    std::fclose(file);
    return fail(std::string("cannot write the picture ") + run.options.png +
                ": the program never opened the kit");
  }
  cairo_surface_flush(canvas);
  written =
      cairo_surface_write_to_png_stream(canvas, write_png_bytes, file) == CAIRO_STATUS_SUCCESS;
  written = std::fclose(file) == 0 && written;
  if (!written)
    return fail_errno("cannot write the picture", run.options.png, errno != 0 ? errno : EIO);
  return true;
}

bool close_log() {
  std::FILE* file = run.log;
  run.log = nullptr;
  bool written = std::fflush(file) == 0 && std::ferror(file) == 0;
  written = std::fclose(file) == 0 && written;
  if (!written)
    return fail_errno("cannot write the log", run.options.log, errno != 0 ? errno : EIO);
  return true;
}

// Puts the kit back as the headless tests expect it: no hooks of the driver left behind.
void detach() {
  kit.replay_await_hook = nullptr;
  kit_set_log_observer(nullptr);
  headless::set_idle_handler(nullptr);
}

int replay(int (*program)()) {
  struct stat script_stat;
  if (!check_script(&script_stat))
    return 1;
  if (run.options.log != nullptr && !open_output("log", run.options.log, script_stat, &run.log))
    return 1;
  if (run.options.png != nullptr &&
      !open_output("picture", run.options.png, script_stat, &run.png)) {
    if (run.log != nullptr)
      std::fclose(run.log);
    return 1;
  }
  if (run.options.frames != nullptr && !check_frame_directory()) {
    if (run.log != nullptr)
      std::fclose(run.log);
    if (run.png != nullptr)
      std::fclose(run.png);
    return 1;
  }

  headless::reset();
  kit.script_path = run.options.script;
  kit.replay_await_hook = on_await;
  kit_set_log_observer(run.log != nullptr ? write_log_line : nullptr);
  headless::set_idle_handler(on_idle);

  program();

  save_due_frame();
  detach();
  bool ok = true;
  if (run.png != nullptr)
    ok = save_final_png() && ok;
  if (run.log != nullptr)
    ok = close_log() && ok;
  if (run.frame_failed)
    ok = fail(std::string("cannot write the frame ") + run.frame_error) && ok;
  return ok ? 0 : 1;
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
    return 2;
  }
  if (run.options.help) {
    std::printf("%s\n", usage_line(run.name).c_str());
    return 0;
  }
  return replay(program);
}
