#define LIMIT 10
int c, b;
int buf[10];
static int unused;

void isr(void)
{
    printf("%d\n", LIMIT);
    rec(c);
}

int rec(n)
int n;
{
    if (n < LIMIT) return rec(n + 1);
    return n;
}
