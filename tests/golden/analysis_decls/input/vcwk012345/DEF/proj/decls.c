#include "decls.h"
#define MAX(a, b) \
    ((a) > (b) ? (a) : (b))
int f(int a);
static int counter;
int x = 5;
int a, b;
static char buf[16];
int extern_count;
extern int ext_val;
const volatile unsigned long *volatile_ptr;
void g(char *p, int n);
typedef struct tag { int a; } NAME;
NAME h(void);
MYTYPE k(void)
{
    return 0;
}
static
int
split(int value,
      char *text)
{
    return value;
}
int main(void) { return 0; }
