/* motor.c : モータ制御 */
#include "types.h"
#include "config.h"
#include "sensor.h"

static MOTOR_MODE s_mode;
ULONG g_rpm;
USHORT g_duty;

void motor_set_duty(USHORT duty);
static USHORT motor_calc_duty(ULONG rpm);

/* モータ状態更新 */
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

/* デューティ計算 */
static USHORT motor_calc_duty(ULONG rpm)
{
    if (rpm > 3000) {
        return 800;
    }
    return (USHORT)(rpm / 4);
}

/* デューティ出力 */
void motor_set_duty(USHORT duty)
{
    g_duty = duty;
    pwm_write(duty);
}
