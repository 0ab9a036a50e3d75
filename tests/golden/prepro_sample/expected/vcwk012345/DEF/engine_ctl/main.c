/*
 * main.c : エンジン制御 メイン処理
 *   周期 SAMPLE_PERIOD ms ごとにセンサを読み、モータを制御する。
 */
#include "types.h"
#include "config.h"
#include "sensor.h"

extern ULONG g_rpm;
void motor_update(void);

static ULONG s_tick;        /* 経過周期数 */
UCHAR g_error;              /* 異常フラグ */

static void system_init(void);
static void main_cycle(void);

int main(void)
{
    system_init();
    while (1) {
        main_cycle();
    }
    return 0;
}

/* 初期化処理 */
static void system_init(void)
{
    s_tick = 0;
    g_error = 0;
    sensor_init();
}

/* 定周期処理 */
static void main_cycle(void)
{
    UCHAR ch;

    s_tick++;
    for (ch = 0; ch < SENSOR_COUNT; ch++) {
        sensor_read(ch);
    }
    g_rpm = g_sensor[0].filtered * 2;
    if (g_sensor[1].filtered > TEMP_OFFSET) {
        g_error = 1;                /* 温度異常 */
    }
    motor_update();
}
