/* Status codes and the error record of the toolkit's C interface.
 *
 * Every call of the C interface returns a status code and, when the caller
 * passes an error record (it may pass NULL), fills it: the code again, the
 * line of a file fault (0 where none applies) and a message text.  There is
 * no global or thread-local error state: what a call reports is in its
 * return value and in the record its caller owns.
 */
#ifndef PDFERR_ERROR_H
#define PDFERR_ERROR_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum pdferr_status {
  PDFERR_OK = 0,
  PDFERR_FILE_ERROR = 1,       /* a file could not be opened, read or accepted */
  PDFERR_DOMAIN_ERROR = 2,     /* a point outside the domain of an evaluation */
  PDFERR_INVALID_ARGUMENT = 3, /* an argument outside its range (a seed, a size, NULL) */
  PDFERR_OUT_OF_MEMORY = 4,
  PDFERR_INTERNAL_ERROR = 5 /* anything else: a fault of the toolkit */
} pdferr_status;

typedef struct pdferr_error {
  int32_t code;       /* a pdferr_status */
  int32_t line;       /* 1-based line of a file fault; 0 where none applies */
  int64_t index;      /* 0-based first bad point of a batch call; -1 where none applies */
  char message[1024]; /* NUL-terminated; cut short to fit */
} pdferr_error;

/* What a call on many points does with a point outside the domain. */
typedef enum pdferr_outside {
  PDFERR_OUTSIDE_REFUSE = 0, /* PDFERR_DOMAIN_ERROR, err->index the first such point;
                                nothing written */
  PDFERR_OUTSIDE_NAN = 1     /* NaN at such a point, the others computed */
} pdferr_outside;

/* A short name of a status code ("file error", ...); never NULL. */
const char* pdferr_status_name(int32_t code);

#ifdef __cplusplus
}
#endif

#endif
