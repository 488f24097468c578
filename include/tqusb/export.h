#pragma once
// Marks the declarations that the library exports; everything else is built
// with hidden visibility.
#if defined(__GNUC__)
#define TQ_API __attribute__((visibility("default")))
#else
#define TQ_API
#endif

#ifdef __cplusplus
#define TQ_EXTERN_C extern "C"
#else
#define TQ_EXTERN_C
#endif
