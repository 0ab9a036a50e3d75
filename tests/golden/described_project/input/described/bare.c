int bare_add(int a, int b)
{
    return a + b;
}
