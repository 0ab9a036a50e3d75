static int count;

static int helper(void)
{
    return 1;
}

void _exit(int code)
{
    count = code;
}

int start_a(void)
{
    count = 0;
    return helper();
}
