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

/* TORMO_API marks the eleven exports: exported while the engine itself is
 * built (TORMO_BUILDING), imported (Windows) or plain declarations for a
 * program that uses it. Nothing else of the engine is visible. */
#if defined(_WIN32)
#  if defined(TORMO_BUILDING)
#    define TORMO_API __declspec(dllexport)
#  else
#    define TORMO_API __declspec(dllimport)
#  endif
#elif defined(TORMO_BUILDING)
#  define TORMO_API __attribute__((visibility("default")))
#else
#  define TORMO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Prepares the engine. Call once before any other function; further calls
 * are harmless. Sets the process's LC_NUMERIC to "C" (and opening a file sets
 * it again): the player misreads numbers, or does not start, under any
 * other. */
TORMO_API int Tormo_Initialize(void);

/* Opens the recording at `path` (GBK-encoded, NUL-terminated; a relative
 * path is taken from the current folder) and writes its port, 0 or above,
 * to *port. Returns once the length is known and the first frame decoded, or
 * with 0 within a few seconds for a file that is not a playable video: a
 * missing file, a folder, or a file without a video track (a picture, a
 * sound file, text); *port is then left as it was. Up to 64 ports can be
 * open at once. The recording starts paused at 0 until Tormo_StartPlay. */
TORMO_API int Tormo_OpenMediaFile(const char *path, int *port);

/* Draws the port's video into `window`, a native window id (an X11 Window,
 * as QWidget::winId() gives it, on the display named by DISPLAY). Where the
 * id is not a real X11 window (no display, Qt's offscreen platform, the root
 * window) the video is decoded without output and 1 is returned: positions,
 * seeking and snapshots still work. A later call moves the video to another
 * window. The position is kept. Should the window be destroyed while the
 * video is in it, the player stops and every later call on the port but
 * Tormo_CloseMediaFile returns 0. `flag` is reserved (pass 1). */
TORMO_API int Tormo_AttachPlayWnd(int port, uintptr_t window, int flag);

/* Writes the recording's length in seconds to *seconds. */
TORMO_API int Tormo_GetFileTime(int port, int *seconds);

/* Starts (or resumes) playback. */
TORMO_API int Tormo_StartPlay(int port);

/* pause = 1 pauses, pause = 0 resumes; any other value returns 0. */
TORMO_API int Tormo_PausePlay(int port, int pause);

/* Playback speed: code 2, 3, 4, 5 play at x1, x2, x4, x8, paused or not.
 * Any other code returns 0 and changes nothing. */
TORMO_API int Tormo_SpeedPlay(int port, int code);

/* Writes the current position in whole seconds to *seconds; at the end of
 * the recording it reads as the length, while a seek is under way as the
 * seek's target. Never blocks on the player: meant to be polled. */
TORMO_API int Tormo_GetPlayedTime(int port, int *seconds);

/* Moves to `seconds` (0 .. length, else returns 0), exact to the
 * second; playback goes on in the state it was in (playing or paused), also
 * from the end of the recording. */
TORMO_API int Tormo_SetPlayedTime(int port, int seconds);

/* Writes the current frame, at the video's own size, as a JPEG to `path` +
 * ".jpg"; should that file exist, to `path` + "_2.jpg" (then "_3.jpg", ...)
 * rather than replace it. `path` is GBK, relative to the current folder or
 * absolute; "\" separators are taken as folder separators; missing folders
 * are created. `flag` is reserved (pass 1). */
TORMO_API int Tormo_Snapshot(int port, int flag, const char *path);

/* Closes the recording and releases the port. */
TORMO_API int Tormo_CloseMediaFile(int port);

#ifdef __cplusplus
}
#endif

#endif /* TORMO_H */
