/*
 * Tormo: the playback engine behind RecogStat's video surface.
 *
 * A flat C interface to a small media player. A recording is opened into a
 * numbered port; every other call names that port. Several ports may be open
 * at once. All positions and lengths are whole seconds.
 *
 * Every function returns 1 on success and 0 on failure. A call on a port that
 * is not open (-1, closed, never opened, out of range) returns 0 and does
 * nothing else. Calls are meant to come from one thread (the GUI thread).
 */
#ifndef TORMO_H
#define TORMO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Prepares the engine. Call once before any other function; further calls
 * are harmless. */
int Tormo_Initialize(void);

/* Opens the recording at `path` (GBK-encoded, NUL-terminated) and writes its
 * port to *port. Returns once the length is known, or with 0 within a few
 * seconds for a file that is not a playable video (*port is then left as it
 * was). The recording starts paused at 0 until Tormo_StartPlay. */
int Tormo_OpenMediaFile(const char *path, int *port);

/* Draws the port's video into `window`, a native window id (an X11 Window,
 * as QWidget::winId() gives it). Where the id is not a real X11 window (no
 * display, or Qt's offscreen platform) the video is decoded without output:
 * positions, seeking and snapshots still work. `flag` is reserved (pass 1). */
int Tormo_AttachPlayWnd(int port, uintptr_t window, int flag);

/* Writes the recording's length in seconds to *seconds. */
int Tormo_GetFileTime(int port, int *seconds);

/* Starts (or resumes) playback. */
int Tormo_StartPlay(int port);

/* pause = 1 pauses, pause = 0 resumes. */
int Tormo_PausePlay(int port, int pause);

/* Playback speed: code 2, 3, 4, 5 play at x1, x2, x4, x8. Any other code
 * returns 0 and changes nothing. */
int Tormo_SpeedPlay(int port, int code);

/* Writes the current position in seconds to *seconds; at the end of the
 * recording it reads as the length. Never blocks on the player. */
int Tormo_GetPlayedTime(int port, int *seconds);

/* Moves to `seconds` (0 .. length), exact to the second; playback goes on in
 * the state it was in (playing or paused). */
int Tormo_SetPlayedTime(int port, int seconds);

/* Writes the current frame as a JPEG to `path` + ".jpg". `path` is GBK; "\"
 * separators are taken as folder separators; missing folders are created.
 * `flag` is reserved (pass 1). */
int Tormo_Snapshot(int port, int flag, const char *path);

/* Closes the recording and releases the port. */
int Tormo_CloseMediaFile(int port);

#ifdef __cplusplus
}
#endif

#endif /* TORMO_H */
