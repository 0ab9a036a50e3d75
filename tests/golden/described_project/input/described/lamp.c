/*****************************************************************
 * 【ファイル名】 lamp.c
 * 【概要】       ランプ点灯制御
 * 【作成者】     開発チーム
 *****************************************************************/
#include "lamp.h"

#define LAMP_MAX      4        /* ランプ数 */
#define BLINK_MS      (250)    /* 点滅周期[ms] */

typedef enum {
    LAMP_OFF,                  /* 消灯 */
    LAMP_ON,                   /* 点灯 */
    LAMP_BLINK                 /* 点滅 */
} LAMP_STATE;

static LAMP_STATE s_state[LAMP_MAX];   /* ランプごとの状態 */
static unsigned char s_tick;           /* 点滅用カウンタ */
unsigned int g_lamp_errors;            /* 異常回数 */
const unsigned char kLampPort = 2;     /* 出力ポート番号 */

/*****************************************************************
 * 【機能】 ランプを消灯する
 * 【処理】 状態を消灯にし、出力を下げる。
 * 【引数】 no : ランプ番号（0～3）
 * 【戻り値】 0  : 正常
 *            -1 : 番号異常
 * 【備考】 割込み禁止中に呼ばないこと
 *****************************************************************/
int lamp_off(unsigned char no)
{
    if (no >= LAMP_MAX) {
        g_lamp_errors++;
        return -1;
    }
    s_state[no] = LAMP_OFF;
    return 0;
}

/*****************************************************************
 * 【機能】 ランプ状態を周期更新する
 * 【処理】 状態と点滅カウンタで出力を決める。
 *****************************************************************/
void lamp_update(void)
{
    unsigned char no;         /* ランプ番号 */
    unsigned char level;      /* 出力レベル */

    s_tick++;
    for (no = 0; no < LAMP_MAX; no++) {
        switch (s_state[no]) {
        case LAMP_BLINK:
            switch (s_tick & 1) {
            case 0:
                level = 1;
                break;
            default:
                level = 0;
                break;
            }
            break;
        case LAMP_ON:
            level = 1;
            break;
        default:
            level = 0;
            break;
        }
        port_write(kLampPort, no, level);
    }
}

void lamp_on(unsigned char no)
{
    s_state[no] = LAMP_ON;
}
