// Script recording and playback: the script file, its line format, the writer, the reader, and the
// operations that end playback and close the file. The await loop and the Run menu's commands
// (events.cpp) decide when these are called.
#include "keys.h"
#include "kit_internal.h"

#include <veldo/kit.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstring>

namespace veldo {

namespace {

// A line is read into a buffer of this size, so at most 511 characters at a time; the rest of a
// longer line is read as a further line.
constexpr int SCRIPT_LINE_BUFFER = 512;
// Every token starts with "VELDO_", so the character after it names the line's kind.
constexpr size_t KIND_LETTER_OFFSET = 6;

// The one script file is shared by writing and reading, and C's FILE does not say which way it
// was opened. The writer needs to know: a handle left open for reading (by a playback that reached
// the end of the script, or by a play-one request) would swallow every line written to it.
bool script_file_writable = false;

// Opens the script file, for writing emptied first. Only a regular file will do: a named pipe
// would block a plain open until its other end came (so the program would freeze on Ctrl+P or
// Ctrl+R), and a device or directory holds no script. The open itself never waits, and anything
// but a regular file is closed again unread and untouched.
bool open_script_file(bool for_writing) {
  const int flags =
      (for_writing ? O_WRONLY | O_CREAT : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  const int fd = ::open(kit.script_path.c_str(), flags, 0666);
  if (fd < 0)
    return false;
  struct stat info;
  const bool usable = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 &&
                      (!for_writing || ::ftruncate(fd, 0) == 0);
  kit.script_file = usable ? ::fdopen(fd, for_writing ? "w" : "r") : nullptr;
  if (kit.script_file == nullptr) {
    ::close(fd);
    return false;
  }
  script_file_writable = for_writing;
  return true;
}

void close_script_file() {
  if (kit.script_file != nullptr) {
    std::fclose(kit.script_file);
    kit.script_file = nullptr;
  }
}

// ---- Reading one line -----------------------------------------------------------------------

struct ScriptLine {
  char text[SCRIPT_LINE_BUFFER];
  size_t length = 0; // characters read, the line feed included; embedded zero bytes count too
};

// Reads the next line that the reader may play. Returns false at the end of the script: when
// nothing more can be read, and also when the line read is the file's last and lacks its line
// feed, since only a line that ends with its line feed counts.
bool read_script_line(std::FILE* file, ScriptLine* line) {
  // fgets() does not say how many characters it stored, and a hostile file may hold zero bytes.
  // Filling the buffer with a non-zero byte first makes the last zero byte in it the terminator
  // fgets() wrote, so the true length is known whatever the line holds.
  std::memset(line->text, 0x7f, sizeof line->text);
  if (std::fgets(line->text, sizeof line->text, file) == nullptr)
    return false;
  size_t terminator = sizeof line->text - 1;
  while (line->text[terminator] != '\0')
    --terminator;
  line->length = terminator;

  if (line->length > 0 && line->text[line->length - 1] == '\n') {
    // A script written where text files end lines with carriage return and line feed reads back
    // here with both; the pair is that line's end, as it would be in text mode there.
    if (line->length > 1 && line->text[line->length - 2] == '\r') {
      line->text[line->length - 2] = '\n';
      line->text[line->length - 1] = '\0';
      --line->length;
    }
    return true;
  }
  // No line feed: either the buffer filled up in the middle of a long line, whose rest is read as
  // a further line, or this is the file's last line without its line feed, which is not played.
  if (std::feof(file))
    return false;
  int next = std::fgetc(file);
  if (next == EOF)
    return false;
  std::ungetc(next, file);
  return true;
}

// ---- Numbers in a line ----------------------------------------------------------------------

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_number_char(char c) {
  return is_digit(c) || c == '-';
}

// Converts decimal text as the reader takes it: an optional leading sign, then the digits up to
// the first other character. Values beyond the 32-bit range saturate at INT_MIN or INT_MAX
// instead of overflowing, so an overlong number in a hand-edited script plays as the nearest value
// an event can carry. Returns false when no digit follows the sign: the number is missing.
bool convert_number(const char* text, const char* end, int* value) {
  bool negative = false;
  if (text < end && *text == '-') {
    negative = true;
    ++text;
  }
  if (text == end || !is_digit(*text))
    return false;
  // One past INT_MAX is INT_MIN's magnitude; the magnitude stops growing there.
  constexpr int64_t LIMIT = int64_t{INT_MAX} + 1;
  int64_t magnitude = 0;
  for (; text < end && is_digit(*text); ++text) {
    magnitude = magnitude * 10 + (*text - '0');
    if (magnitude > LIMIT)
      magnitude = LIMIT;
  }
  if (negative)
    *value = static_cast<int>(-magnitude);
  else
    *value = static_cast<int>(magnitude < LIMIT ? magnitude : INT_MAX);
  return true;
}

// Walks the runs of a line's numbers from the kind letter on.
class NumberScanner {
public:
  explicit NumberScanner(const ScriptLine& line)
      : position_(line.text + KIND_LETTER_OFFSET), end_(line.text + line.length) {}

  // The next run of digits and '-' signs, converted; false when the line has none left, or when
  // the run holds no number.
  bool next_signed(int* value) {
    while (position_ < end_ && !is_number_char(*position_))
      ++position_;
    const char* run = position_;
    while (position_ < end_ && is_number_char(*position_))
      ++position_;
    return run < position_ && convert_number(run, position_, value);
  }

  // The next run of digits alone: a '-' before it is skipped like any other character.
  bool next_unsigned(int* value) {
    while (position_ < end_ && !is_digit(*position_))
      ++position_;
    const char* run = position_;
    while (position_ < end_ && is_digit(*position_))
      ++position_;
    return run < position_ && convert_number(run, position_, value);
  }

private:
  const char* position_;
  const char* end_;
};

// The lines of the input a program asks for with kit_enable_input(): the kind letter, the event
// kind, and the flag the program must have asked for. Their letters are none of 'K', 'M' and 'P',
// so a reader that knows only those stops at such a line rather than misreading it.
struct AskedForLine {
  char letter;
  int kind;
  unsigned flag;
  bool carries_key; // one key code, else a position
};
constexpr AskedForLine ASKED_FOR_LINES[] = {
    {'D', VELDO_KEY_PRESS, VELDO_INPUT_KEYS, true},
    {'U', VELDO_KEY_RELEASE, VELDO_INPUT_RELEASES, true},
    {'R', VELDO_RIGHT_CLICK, VELDO_INPUT_BUTTONS, false},
    {'W', VELDO_MIDDLE_CLICK, VELDO_INPUT_BUTTONS, false},
    {'H', VELDO_MOTION, VELDO_INPUT_MOTION, false},
};

// Plays a line of asked-for input. A program that has not asked for its kind gets nothing: the
// line is read as a line of no known kind, as it would be before anything was asked for. A key
// line must carry one of the special keys' codes, since no other key can come live.
bool play_asked_for_line(const AskedForLine& line, NumberScanner& numbers) {
  if ((kit.input_flags & line.flag) == 0)
    return false;
  if (line.carries_key) {
    int key = 0;
    if (!numbers.next_signed(&key) || special_key(key) == nullptr)
      return false;
    kit.pending.event_kind = line.kind;
    kit.pending.event_key = static_cast<char>(key);
    return true;
  }
  int x = 0;
  int y = 0;
  if (!numbers.next_signed(&x) || !numbers.next_signed(&y))
    return false;
  kit.pending.event_kind = line.kind;
  kit.pending.event_x = x;
  kit.pending.event_y = y;
  return true;
}

// Turns one script line into the pending event. Returns false for a line of no known kind, a line
// too short to have a kind letter, and a line whose numbers are missing: such a line cannot be
// replayed faithfully, so it ends playback the same way.
bool play_line(const ScriptLine& line) {
  if (line.length <= KIND_LETTER_OFFSET)
    return false;
  NumberScanner numbers(line);
  const char letter = line.text[KIND_LETTER_OFFSET];
  for (const AskedForLine& asked_for : ASKED_FOR_LINES)
    if (asked_for.letter == letter)
      return play_asked_for_line(asked_for, numbers);
  switch (letter) {
  case 'K': {
    int key = 0;
    if (!numbers.next_signed(&key))
      return false;
    kit.pending.event_kind = VELDO_KBD;
    kit.pending.event_key = static_cast<char>(static_cast<unsigned char>(key & 0xff));
    return true;
  }
  case 'M': {
    int x = 0;
    int y = 0;
    if (!numbers.next_signed(&x) || !numbers.next_signed(&y))
      return false;
    kit.pending.event_kind = VELDO_MOUSE;
    kit.pending.event_x = x;
    kit.pending.event_y = y;
    return true;
  }
  case 'P': {
    int count = 0;
    if (!numbers.next_unsigned(&count))
      return false;
    // This call yields the run's first periodic event, later calls the rest. A count of 0 yields
    // one event too, and leaves no negative count behind for a later recording to start from.
    kit.pending.event_kind = VELDO_PERIODIC;
    kit.periodic_run_count = count > 0 ? count - 1 : 0;
    return true;
  }
  default:
    return false;
  }
}

bool playback_on() {
  return kit.playing_back || kit.play_one_requested;
}

// Keeps a refused entry's check mark true to the state, whatever the menu did on its own when the
// entry was chosen.
void show_unchecked(int id) {
  if (kit.run_menu != 0)
    platform::check_menu_item(kit.run_menu, id, platform::MF_UNCHECKED);
}

} // namespace

// ---- Writing --------------------------------------------------------------------------------

void kit_script_write(int kind, int x, int y, char key) {
  if (kit.script_file != nullptr && !script_file_writable)
    close_script_file();
  // The file is opened (and so emptied) by the first write of a recording, even for a kind that
  // writes nothing: a recording whose only event was a quit leaves an empty script.
  if (kit.script_file == nullptr && !open_script_file(true)) {
    kit_log("Cannot open script file %s for writing\n", kit.script_path.c_str());
    return;
  }
  switch (kind) {
  case VELDO_MOUSE:
    std::fprintf(kit.script_file, "VELDO_MOUSE(%d, %d);\n", x, y);
    break;
  case VELDO_KBD:
    // The key as a signed 8-bit value, whatever the signedness of char: 233 is written as -23.
    std::fprintf(kit.script_file, "VELDO_KBD(%d);\n",
                 static_cast<int>(static_cast<int8_t>(static_cast<unsigned char>(key))));
    break;
  case VELDO_PERIODIC:
    std::fprintf(kit.script_file, "VELDO_PERIODIC(%d);\n", kit.periodic_run_count);
    break;
  case VELDO_KEY_PRESS:
    std::fprintf(kit.script_file, "VELDO_DOWN(%d);\n", static_cast<unsigned char>(key));
    break;
  case VELDO_KEY_RELEASE:
    std::fprintf(kit.script_file, "VELDO_UP(%d);\n", static_cast<unsigned char>(key));
    break;
  case VELDO_RIGHT_CLICK:
    std::fprintf(kit.script_file, "VELDO_RIGHT(%d, %d);\n", x, y);
    break;
  case VELDO_MIDDLE_CLICK:
    std::fprintf(kit.script_file, "VELDO_WHEEL(%d, %d);\n", x, y);
    break;
  case VELDO_MOTION:
    std::fprintf(kit.script_file, "VELDO_HOVER(%d, %d);\n", x, y);
    break;
  default:
    return;
  }
  // Each line goes to the operating system as soon as it is written, so a recording survives the
  // program being killed. A run of periodic events is a single line written when the run ends,
  // so ticks still cost no write.
  std::fflush(kit.script_file);
}

void kit_flush_recording() {
  kit_script_write(VELDO_PERIODIC, 0, 0, 0);
  kit.periodic_run_count = 0;
}

// ---- Reading --------------------------------------------------------------------------------

int kit_script_read() {
  if (kit.script_file == nullptr && !open_script_file(false)) {
    kit_log("Cannot open script file %s for reading\n", kit.script_path.c_str());
    kit_stop_playback();
    return 0;
  }
  // The rest of a run of periodic events is replayed without reading a line.
  if (kit.periodic_run_count > 0) {
    --kit.periodic_run_count;
    kit.pending.event_kind = VELDO_PERIODIC;
    return 1;
  }
  ScriptLine line;
  bool have_line;
  do {
    have_line = read_script_line(kit.script_file, &line);
  } while (have_line && line.text[0] == '\n');
  // The file stays open at its end, so every later read reports the end again until it is closed.
  if (!have_line) {
    kit_log("EOF encountered in script file %s\n", kit.script_path.c_str());
    kit_stop_playback();
    return 0;
  }
  // A line that cannot be played is used up: a playback started again goes on after it.
  if (!play_line(line)) {
    kit_stop_playback();
    return 0;
  }
  return 1;
}

void kit_stop_playback() {
  kit.playing_back = false;
  kit.play_one_requested = false;
  show_unchecked(MENU_PLAYBACK);
}

// ---- Starting, and closing ------------------------------------------------------------------

// Recording and playback share the one script file, and a recording's first write empties the file
// a playback is reading. So neither may start while the other is on.
bool kit_script_begin_recording() {
  if (playback_on()) {
    kit_log("Cannot record a script during playback\n");
    show_unchecked(MENU_RECORD);
    return false;
  }
  // A play-one request or a stopped playback may have left part of a periodic run to replay; the
  // new recording counts its own periodic events from zero.
  kit.periodic_run_count = 0;
  return true;
}

bool kit_script_begin_playback() {
  if (kit.recording) {
    kit_log("Cannot play back a script while recording\n");
    show_unchecked(MENU_PLAYBACK);
    return false;
  }
  return true;
}

void kit_script_read_from(std::FILE* file) {
  close_script_file();
  kit.script_file = file;
  script_file_writable = false;
}

void kit_script_close() {
  // The kit is closed while a recording is still on: write the open run of periodic events first,
  // as stopping the recording would, so the end of the recording is not lost.
  if (kit.recording && kit.periodic_run_count > 0)
    kit_flush_recording();
  close_script_file();
}

} // namespace veldo
