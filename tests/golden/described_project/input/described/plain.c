// plain.c
// 汎用の補助処理

/* 二つの値の大きい方を返す
   （同じときは a を返す） */
int max_of(int a,   /* 一つ目 */
           int b)   /* 二つ目 */
{
    return a >= b ? a : b;
}

int no_comment(int x)
{
    return x + 1;
}
