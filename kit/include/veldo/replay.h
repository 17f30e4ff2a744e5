/*
 * Replaying a recorded script without a display. A program written against the kit gets a replay
 * tool from a few lines of its own main: the driver runs the program on the headless platform,
 * plays a script into it from its first event on, and saves what it drew.
 *
 *     #include <veldo/replay.h>
 *     static int program(void) { ... kit_open(), the event loop, kit_close() ... return 0; }
 *     int main(int argc, char** argv) { return kit_replay_main(argc, argv, program); }
 *
 * The tool's command line:
 *
 *     NAME [--png FILE] [--log FILE] [--trace] [--frames DIR [--every N]] SCRIPT
 *
 * - The program starts as a new process would have it. Before its first event, continuous
 *   playback of SCRIPT starts as the Run menu's Playback command starts it. SCRIPT is read where
 *   it is; a VELDO.SCR in the working directory is neither created, read nor changed. The kit's
 *   script messages name SCRIPT.
 * - When playback ends (at the end of the script, or at a line it cannot read), drawing-call
 *   logging is turned on as Ctrl+L turns it on, and the very next event the program receives is
 *   VELDO_QUIT: nothing comes between, and the virtual clock does not move. So the program draws
 *   its final frame once with logging on. The program must end on that quit by returning from
 *   `program`.
 * - --log FILE writes every line the log window receives, in order, exactly as kit_log()
 *   formatted it. --trace turns logging on from the first event instead of only for the final
 *   frame. --png FILE saves the final canvas (601 x 540) as PNG. --frames DIR saves the canvas
 *   after every N-th event (every event by default) as DIR/frame-000001.png, frame-000002.png, ...
 *   (DIR is created when missing), ready for a video encoder.
 * - Nothing waits: the clock is virtual and playback is not paced, so a replay runs as fast as
 *   the processor allows, and the same script gives the same files, byte for byte.
 *
 * Returns the exit status: 0 after a replay; 1 with a message on stderr when the script cannot be
 * read or an output cannot be written (checked before the program starts, where possible); 2 with
 * the usage line on stderr for bad arguments. --help prints the usage line and returns 0.
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
