int hgpk_init(void)
{
    int tries = 3;
    return tries;
}
