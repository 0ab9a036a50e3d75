static inline int hgpk_init(void)
{
    return 0;
}
