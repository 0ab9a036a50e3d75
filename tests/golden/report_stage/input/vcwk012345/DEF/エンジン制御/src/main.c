/* 初期化して実行する */
#include "app.h"
int g_cnt;
int cnt;
static struct S st;
extern int a;

void init(void);
void run(void);

int main(void)
{
    init();
    run();
    return 0;
}

void init(void)
{
    g_cnt = 0;
    st.cnt = cnt;   /* 構造体のメンバ: リンクなし */
}

void
run(void)
{
    log(g_cnt);
}
