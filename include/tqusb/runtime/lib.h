#pragma once
// Lib: runtime services as free functions — block operations (lib_blocks.h),
// sorting through callbacks, the process-wide random generator, the command
// line and environment, starting processes, and the local date and time.
#include "tqusb/export.h"
#include "tqusb/runtime/lib_blocks.h"

namespace Lib {

// Module start-up: releases the random generator's lock and returns the
// generator to its never-seeded state.
TQ_API void InitModule();

// ---- Sorting ---------------------------------------------------------------
// Items are numbered 1..n. less(i, j) returns 1 when item i orders before item
// j; swap(i, j) exchanges two items and must accept i == j. The caller owns the
// data; the sorts only call back with numbers in 1..n.
using TLessFunc = unsigned char (*)(unsigned int i, unsigned int j);
using TSwapFunc = void (*)(unsigned int i, unsigned int j);

// Bottom-up heapsort, ascending; n log n calls whatever the input.
TQ_API void HSort(unsigned int n, TLessFunc less, TSwapFunc swap);
// Quicksort with the first item of each range as pivot; recursion depth stays
// logarithmic (quadratic calls on sorted or all-equal input).
TQ_API void QSort(unsigned int n, TLessFunc less, TSwapFunc swap);

// ---- Random numbers --------------------------------------------------------
// An additive lagged-Fibonacci generator (55 words) shared by the process and
// guarded by a spin lock. It seeds itself with 12345 on first use.

// The next 32-bit value modulo n; the full value when n is 0.
TQ_API unsigned int RANDOM(unsigned int n);
// Seeds from the current UTC time (seconds times milliseconds).
TQ_API void RANDOMIZE();
// Seeds with a given value; the same seed gives the same sequence.
TQ_API void RANDSEED(unsigned int seed);
// A double in [0, 1) made of two 16-bit draws.
TQ_API double RAND();

// ---- Command line and environment ------------------------------------------
// The command line is the process's arguments joined with spaces, arguments
// that are empty or contain a blank written in double quotes. Arguments are
// separated by spaces or tabs; a double quote opens a stretch, closed by the
// next one, inside which blanks do not separate.

// The number of arguments after the program name.
TQ_API unsigned int ParamCount();
// Argument n (0: the program name) cut to high + 1 characters; an argument that
// begins with a double quote loses that quote and the last one of the copied
// text. A missing argument gives an empty string.
TQ_API void ParamStrA(unsigned int high, char* buffer, unsigned int n);

// The variable's value, or an empty string when it is missing, does not fit in
// valueHigh + 1 characters with its terminator, or the name is not terminated
// within nameHigh + 1 characters.
TQ_API void GetEnvironmentStringA(unsigned int nameHigh, const char* name, unsigned int valueHigh,
                                  char* value);
// Sets the variable when both name and value are terminated within their
// buffers; 1 when it was set.
TQ_API unsigned char SetEnvironmentStringA(unsigned int nameHigh, const char* name,
                                           unsigned int valueHigh, const char* value);

// Starts a program. `app` is the program's path (not searched); when it is
// empty, the first argument of `cmdLine` is the program, searched along PATH.
// `cmdLine` is split into arguments by the command-line rules above (quotes
// group and are dropped). Each must fit, terminated, in 261 characters.
// `environment` is null (inherit) or a block of terminated "NAME=value" strings
// ending with an empty one. The child inherits the standard streams and the
// current directory but no other descriptors. On success returns 1 and stores
// the child's pid in both *processId and *processHandle (there is no separate
// handle object: the caller reaps the child with waitpid on that pid).
TQ_API unsigned char ExecA(unsigned int appHigh, const char* app, unsigned int cmdHigh,
                           const char* cmdLine, const void* environment, void** processHandle,
                           unsigned int* processId);

// ---- Date and time (local time) --------------------------------------------
enum DayType : unsigned short { Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };

TQ_API void GetDate(unsigned short& year, unsigned short& month, unsigned short& day,
                    DayType& dayOfWeek);
TQ_API void GetTime(unsigned short& hour, unsigned short& minute, unsigned short& second,
                    unsigned short& millisecond);
// Replace the date or the time of the current local time and set the system
// clock; 0 when a field is out of range or the system refuses (no privilege).
TQ_API unsigned char SetDate(unsigned short year, unsigned short month, unsigned short day);
TQ_API unsigned char SetTime(unsigned short hour, unsigned short minute, unsigned short second,
                             unsigned short millisecond);

// Sleeps for ms milliseconds.
TQ_API void Delay(unsigned int ms);
// Rings the terminal bell when standard error is a terminal and waits for the
// duration; there is no tone generator to drive at a frequency.
TQ_API void Speaker(unsigned int frequency, unsigned int duration);
// Continuous tones are not available: both do nothing.
TQ_API void Sound(unsigned int frequency);
TQ_API void NoSound();

}  // namespace Lib
