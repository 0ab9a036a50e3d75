static int count;

static int helper(void)
{
    return 2;
}

void _exit(int code)
{
    count = code + 1;
}

int start_b(void)
{
    count = 5;
    return helper();
}
