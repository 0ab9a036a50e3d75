/* main.c: definitions, conditional blocks and includes */
#include "local.h"
#include "shared.h"

#define MAX 10
#define SCALE ( 4 * 2 )
#define PLAIN 4 * 2
#define LIMIT 10UL
#define BYTE_CAST (UCHAR)300
#define U2_CAST (u2)300
#define NEXT ( BASE + 1 )
#define AFTER BASE + 1
#define WIDE ( BASE_WIDTH * 2 )
#define BASE2 7
#define BASE 4
#define TWO_LINES ( 1 + \
        2 )
#define NOTE 5 /* five
                  still a comment */
#define FLAG

#ifdef MAX
int kept_ifdef;
#ifndef MAX
int dropped_nested;
#else
int kept_else;
#endif
#if MAX > 5
int kept_if;
#elif MAX > 1
int dropped_elif_after_taken;
#else
int dropped_else_after_taken;
#endif
#else
int dropped_outer;
#ifdef FLAG
int dropped_inside_dropped;
#endif
#endif

#if defined(UNKNOWN)
int dropped_defined;
#elif VERSION == 0x2
int kept_elif;
#include "local.h"
#else
int dropped_last_else;
#endif

#if !defined(LOCAL_H)
int dropped_guard;
#endif
#pragma pack(1)
int main(void) { return MAX; }
