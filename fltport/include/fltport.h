/* fltport: the serial link to the flight computer.
 *
 * Every function returns a 32-bit signed integer, 1 for success and 0 for
 * failure. Texts are single-byte strings ending in a zero byte; the caller owns
 * every buffer. The library holds one process-wide port, opened by InitComport
 * and closed by CloseComport; call it from one thread at a time (CancelUpload
 * excepted).
 */
#ifndef FLTPORT_H
#define FLTPORT_H

#include <stdint.h>

#ifdef _WIN32
#define FLTPORT_CALL __stdcall
#ifdef FLTPORT_BUILDING
#define FLTPORT_API __declspec(dllexport)
#else
#define FLTPORT_API __declspec(dllimport)
#endif
#else
#define FLTPORT_CALL
#define FLTPORT_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the named port (COM1 ...; on Linux also a device path) at 19200 baud
 * 8N1 and discards what the device sends until it has been quiet for 300 ms.
 * 0 when the port does not open, is not a serial line, or never goes quiet.
 * A port still open from an earlier call is closed first. */
FLTPORT_API int32_t FLTPORT_CALL InitComport(const char* portName);
/* Closes the port; always 1. */
FLTPORT_API int32_t FLTPORT_CALL CloseComport(void);
/* Reads configuration index `index` (low byte) into `reply` (>= 20 bytes):
 * the value text, at most 18 characters, empty when nothing usable came. */
FLTPORT_API int32_t FLTPORT_CALL ReadConfigCommand(int32_t index, char* reply);
/* Writes the first `length` characters of `value` (>= 21 bytes) to index
 * `index` and puts the acknowledgement, as received, into `value`. A length
 * outside 0..18 sends nothing and gives an empty reply. */
FLTPORT_API int32_t FLTPORT_CALL WriteConfigCommand(int32_t index, char* value, int32_t length);
/* Downloads every stored flight into <prefix><n>.rcd (n from 0; prefix at most
 * 50 characters). `*flightCount` is set to 0 at once and raised after each
 * flight written whole. Each flight is written into <prefix><n>-partial.rcd
 * and renamed to <prefix><n>.rcd once complete, replacing a regular file of
 * that name (never a link, folder or device). 0 when the device did not
 * answer, a file could not be created, written whole or put in place, the
 * device went quiet inside a flight, the line hung up, or CancelUpload was
 * called; a flight broken off is not counted, and <prefix><count>-partial.rcd
 * keeps what arrived of it. */
FLTPORT_API int32_t FLTPORT_CALL StartUpload(const char* prefix, int32_t* flightCount);
/* How far a running StartUpload has come: `flights` counts the flights begun
 * (the one arriving included), `samples` the sample rows received in them. */
typedef void(FLTPORT_CALL* UploadProgressFn)(void* context, int32_t flights, int32_t samples);
/* Registers `callback`, with `context` passed back to it, for the next
 * StartUpload calls; a null callback removes it. Always 1. The callback runs on
 * the thread running StartUpload, once as each flight begins and after each
 * sample row, so it must return quickly; it may call CancelUpload but no other
 * function of this library. Register it before StartUpload, not during one. */
FLTPORT_API int32_t FLTPORT_CALL SetUploadProgress(UploadProgressFn callback, void* context);
/* Asks a running StartUpload to stop; always 1. Safe to call from any thread
 * and from a signal handler (it only sets a flag). StartUpload then returns 0
 * within about 100 ms: the flights written whole stay, the broken-off one is
 * left as <prefix><count>-partial.rcd. A request made after InitComport and
 * before StartUpload stops that StartUpload at once; InitComport and the end
 * of StartUpload forget a pending request. */
FLTPORT_API int32_t FLTPORT_CALL CancelUpload(void);
/* velocity += accel * 32.1768 * step * 3600 / 5280 (G, s, mph), 7 digits. */
FLTPORT_API int32_t FLTPORT_CALL ConvertAcceltoVel(const char* step, char* velocity, const char* accel);
/* distance += velocity * 5280 / 3600 * step (mph, s, ft), 7 digits. */
FLTPORT_API int32_t FLTPORT_CALL ConvertVeltoDist(const char* step, char* distance, const char* velocity);
/* Has no effect; kept for callers that declare it. */
FLTPORT_API int32_t FLTPORT_CALL ConvertVelAcceltoHP(char* first, char* second, char* third);

/* Pointer types for binding the library at run time. */
typedef int32_t(FLTPORT_CALL* InitComportFn)(const char*);
typedef int32_t(FLTPORT_CALL* CloseComportFn)(void);
typedef int32_t(FLTPORT_CALL* ReadConfigCommandFn)(int32_t, char*);
typedef int32_t(FLTPORT_CALL* WriteConfigCommandFn)(int32_t, char*, int32_t);
typedef int32_t(FLTPORT_CALL* StartUploadFn)(const char*, int32_t*);
typedef int32_t(FLTPORT_CALL* CancelUploadFn)(void);
typedef int32_t(FLTPORT_CALL* SetUploadProgressFn)(UploadProgressFn, void*);
typedef int32_t(FLTPORT_CALL* ConvertAcceltoVelFn)(const char*, char*, const char*);
typedef int32_t(FLTPORT_CALL* ConvertVeltoDistFn)(const char*, char*, const char*);
typedef int32_t(FLTPORT_CALL* ConvertVelAcceltoHPFn)(char*, char*, char*);

#ifdef __cplusplus
}
#endif

#endif /* FLTPORT_H */
