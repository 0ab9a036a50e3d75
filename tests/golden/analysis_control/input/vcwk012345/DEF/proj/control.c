void chains(int x)
{
    if (x > 0) { y = 1; } else if (x < 0) { y = 2; } else { y = 0; }
    if (a) {
        if (b) {
            if (c) {
                z = 3;
            }
        }
    } else if (d) {
        z = 4;
    } else if (e) {
        z = 5;
    } else {
        z = 6;
    }
    if (x) y = 1;
}

int selector(int mode)
{
    int i;
    switch (mode) {
    case 1:
        count++;
        break;
    case MODE_B: total = 0; break;
    default:
        break;
    }
    while (i < 10) {
        i++;
    }
    for (i = 0; i < 3; i++) {
        call(i);
    }
    return;
}

int compute(int v)
{
    /* only comments and declarations */
    int i;
    return v * 2;
}
