/**
 * @file sensor.c
 * @brief センサ入力とフィルタ処理
 * @note  ADC の読み取りは adc_get() に任せる
 */
#include "sensor.h"

SENSOR_DATA g_sensor[SENSOR_COUNT];        /**< センサごとの読み取り値 */
static USHORT s_history[FILTER_DEPTH];     /**< 読み取り履歴 */
static UCHAR s_index;                      /**< 履歴の書込み位置 */

/* センサ初期化 */
void sensor_init(void)
{
    UCHAR ch;

    for (ch = 0; ch < SENSOR_COUNT; ch++) {
        g_sensor[ch].raw = 0;
        g_sensor[ch].status = 0;
    }
    s_index = 0;
}

/**
 * @brief センサ値読み込み（ADC）
 *
 * ADC の値を読み、フィルタを通して g_sensor に格納する。
 * 読んだ値は履歴にも残す。
 *
 * @param ch 読み込むセンサのチャンネル
 */
void sensor_read(UCHAR ch)
{
    USHORT now;

    now = adc_get(ch);          /* ADC取得 */
    g_sensor[ch].filtered = sensor_filter(g_sensor[ch].filtered, now);
    g_sensor[ch].raw = now;
    s_history[s_index] = now;
    s_index++;
    if (s_index >= FILTER_DEPTH) {
        s_index = 0;
    }
}

/**
 * @brief 一次遅れフィルタ
 * @param old 前回のフィルタ値
 * @param now 今回の読み取り値
 * @return フィルタ後の値（old 3 : now 1 の加重平均）
 */
USHORT sensor_filter(USHORT old, USHORT now)
{
    USHORT result;

    result = ( old * 3 + now ) / 4;
    return result;
}
