int total;

void no_lists(void)
{
}

int temporaries(int count)
{
    int i = 0;
    int j = k;
    unsigned char buf[10], *p;
    int m, n = count;
    struct { int a; char c; } local;
    MYTYPE v;
    return i;
}

void assignments(void)
{
    x = a + b;
    ++n;
    n++;
    *p = 1;
    buf[i] = c;
    s.f = t->g;
    total += tbl[n];
    v = (USHORT)w;
    q = (MYPTR *)r;
}

void calls(int a, int b)
{
    foo(a, b);
    foo(a, b);
    r = bar(x + 1, y);
    outer(inner(a), b);
    return;
}

int conditions(int a, int b)
{
    if (a > b) c = d;
    if (a > b) { c = d; }
    while (n--) {
        /* a comment
           over three lines
           ends here */
        f(n);
    }
    for (i = 0; i < n; i++) {
        sum = sum + i;  // running sum
    }
    switch (mode) {
    case MODE_A:
        break;
    default:
        break;
    }
    do {
        k++;
    } while (k < 10);
    return (a);
}

int returns(int x)
{
    if (x)
        return x;
    return check(x) + 1;
}
