int start_a(void);
void _exit(int code);

int main(void)
{
    start_a();
    _exit(0);
    return 0;
}
