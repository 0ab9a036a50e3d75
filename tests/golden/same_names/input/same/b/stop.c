void _exit(int code);

void stop_b(void)
{
    _exit(2);
}
