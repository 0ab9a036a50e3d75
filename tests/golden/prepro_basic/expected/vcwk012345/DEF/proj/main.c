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

int kept_ifdef;
int kept_else;
int kept_if;

int kept_elif;
#	include	"local.h

#pragma pack(1)
int main(void) { return MAX; }
