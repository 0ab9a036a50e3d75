/* motor.c : モータ制御 */
#include "types.h"
#include "config.h"
#include "sensor.h"

static MOTOR_MODE s_mode;      /* 運転モード */
ULONG g_rpm;                   /* エンジン回転数[rpm] */
USHORT g_duty;                 /* 現在の出力デューティ */

void motor_set_duty(USHORT duty);
static USHORT motor_calc_duty(ULONG rpm);

/*********************************************************
 * 【機能】 モータ状態更新
 * 【処理】 回転数から運転モードを決め、モードに応じた
 *          デューティを出力する。
 *            過回転     : 停止
 *            回転数 0   : アイドル
 *            それ以外   : 通常運転
 * 【引数】 なし
 * 【戻り値】 なし
 * 【備考】 定周期処理から呼ばれる
 *********************************************************/
void motor_update(void)
{
    USHORT duty;

    if (g_rpm > RPM_LIMIT) {
        s_mode = MODE_STOP;           /* 過回転：停止 */
    } else if (g_rpm == 0) {
        s_mode = MODE_IDLE;
    } else {
        s_mode = MODE_RUN;
    }

    switch (s_mode) {
    case MODE_STOP:
        duty = 0;
        break;
    case MODE_RUN:
        duty = motor_calc_duty(g_rpm);
        break;
    default:
        duty = g_duty;
        break;
    }
    motor_set_duty(duty);
}

/*********************************************************
 * 【機能】 デューティ計算
 * 【引数】 rpm : 回転数[rpm]
 * 【戻り値】 800 : 上限デューティ（3000rpm超）
 *            それ以外は回転数の 1/4
 *********************************************************/
static USHORT motor_calc_duty(ULONG rpm)
{
    if (rpm > 3000) {
        return 800;
    }
    return (USHORT)(rpm / 4);
}

/* デューティ出力 */
void motor_set_duty(USHORT duty)   /* duty : 出力するデューティ */
{
    g_duty = duty;
    pwm_write(duty);
}
