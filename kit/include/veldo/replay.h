/*
 * Replaying a recorded script without a display. A program written against the kit gets a replay
 * tool from a few lines of its own main: the driver runs the program on the headless platform,
 * plays a script into it from its first event on, and saves what it drew.
 *
 *     #include <veldo/replay.h>
 *     static int program(void) { ... kit_open(), the event loop, kit_close() ... return 0; }
 *     int main(int argc, char** argv) { return kit_replay_main(argc, argv, program); }
 *
 * The tool's command line (read with getopt_long, so --option=VALUE works too):
 *
 *     NAME [--png FILE] [--log FILE [--trace]] [--frames DIR [--every N]] [--max-events N] SCRIPT
 *     NAME --help | --version
 *
 * - The program starts as a new process would have it. Before its first event, continuous
 *   playback of SCRIPT starts as the Run menu's Playback command starts it. SCRIPT is opened once,
 *   and only when it is a regular file (a named pipe, a device or a directory is refused without
 *   waiting); a VELDO.SCR in the working directory is neither created, read nor changed. The
 *   kit's script messages name SCRIPT.
 * - When playback ends (at the end of the script, or at a line it cannot read), drawing-call
 *   logging is turned on as Ctrl+L turns it on, and the very next event the program receives is
 *   VELDO_QUIT: nothing comes between, and the virtual clock does not move. So the program draws
 *   its final frame once with logging on. The program must end on that quit by returning from
 *   `program`.
 * - --log FILE writes every line the log window receives, in order, exactly as kit_log()
 *   formatted it. --trace, with --log, turns logging on from the first event instead of only for
 *   the final frame. --png FILE saves the final canvas (601 x 540) as PNG. --frames DIR saves the
 *   canvas after every N-th event (every event by default) as DIR/frame-000001.png,
 *   frame-000002.png, ... (DIR is created when missing), ready for a video encoder.
 * - --max-events N (default 4000000, more than a day of play) plays at most N of the script's
 *   events: a script holding more ends there as at its end, and the status is 3.
 * - No output may be the script or another output (by name, through a link, or by a frame's
 *   name). Each is written under a temporary name beside its final one and renamed into place
 *   when complete, so a failure leaves no partial file and keeps an earlier one; a frame replaces
 *   a link at its name without following it. An output that is not a regular file (a device, a
 *   pipe with a reader) is written in place.
 * - Nothing waits: the clock is virtual and playback is not paced, so a replay runs as fast as
 *   the processor allows, and the same script gives the same files, byte for byte.
 * - A script holds every event the program received, the input it asked for with
 *   kit_enable_input() included (special keys, their releases, other buttons, motion); the program
 *   asks again as it runs, and those lines play back exactly.
 *
 * Returns the exit status: 0 after a replay (with a warning on stderr when no event could be
 * replayed from the file); 1 with a message on stderr, naming the reason, when the script cannot
 * be read or an output cannot be written (checked before the program starts, where possible);
 * 2 with the usage line on stderr for bad arguments; 3 with a message when the script holds more
 * than --max-events events. --help (usage and options) and --version (the name and the kit's
 * version) print on stdout and return 0.
 */
#ifndef VELDO_REPLAY_H
#define VELDO_REPLAY_H

#ifdef __cplusplus
extern "C" {
#endif

/* Runs the replay tool for `program` with the tool's command line (argv[0] is its name). Call it
 * once per process, before anything else of the kit. */
int kit_replay_main(int argc, char** argv, int (*program)(void));

#ifdef __cplusplus
}
#endif

#endif
