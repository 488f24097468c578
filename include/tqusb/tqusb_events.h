#ifndef TQUSB_TQUSB_EVENTS_H
#define TQUSB_TQUSB_EVENTS_H
/* Events of the library on this platform: the per-thread queue on which the
 * cameras of a thread receive their device notices and timer ticks, the notify
 * queues a host passes to RegisterNotifyHWND, and the debug output. */
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "tqusb/export.h"
#include "tqusb/tqusb_constants.h"

/* A timeout that never ends. */
#define TQ_INFINITE 0xFFFFFFFFu

/* Dispatches the calling thread's pending device notices, timer ticks and
 * posted messages, waiting up to timeoutMs (TQ_INFINITE: without limit) for
 * the first; returns how many were dispatched. */
TQ_EXTERN_C TQ_API unsigned tqPumpEvents(unsigned timeoutMs);

/* A descriptor that is readable while the calling thread has events to pump
 * (for poll/epoll loops); -1 when none can be made. Owned by the library. */
TQ_EXTERN_C TQ_API int tqEventFd(void);

/* A notify queue usable as the window handle of RegisterNotifyHWND; null
 * when it cannot be made. */
TQ_EXTERN_C TQ_API void* tqCreateNotifyWindow(void);

/* Takes the oldest message posted to the queue, waiting up to timeoutMs
 * (TQ_INFINITE: without limit). False on timeout, for an unknown or destroyed
 * queue, and when the queue is destroyed while waiting. Any thread. Null out
 * pointers are allowed. */
TQ_EXTERN_C TQ_API bool tqGetNotifyMessage(void* window, unsigned timeoutMs, unsigned* message,
                                           uint64_t* wparam, uint64_t* lparam);

/* Frees the queue; later posts to it are dropped. Unknown values are ignored. */
TQ_EXTERN_C TQ_API void tqDestroyNotifyWindow(void* window);

/* Where debug lines go: each line (with its own line feed) is passed to sink
 * with context. A null sink restores the default: standard error when the
 * environment has TQUSB_DEBUG=1, else nowhere. */
TQ_EXTERN_C TQ_API void tqSetDebugOutput(void (*sink)(const char* line, void* context),
                                         void* context);

#endif
