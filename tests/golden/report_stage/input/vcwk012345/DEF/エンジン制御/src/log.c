int a;

void log(int x)
{
    char *s = "a \"quoted\" /* no comment */ 表";
    a = x; /* 複数行の
              コメント */ b = a;
}
