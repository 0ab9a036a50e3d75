/**
 * @file  radio.c
 * @brief 無線モジュールの送受信
 * @author 開発チーム
 */
#include "lamp.h"

#define RADIO_RETRY 3   /**< 再送回数 */

static int s_sent;      /**< 送信済みバイト数 */

/**
 * @brief  データを送る
 *
 * バッファの内容を一バイトずつ送り、
 * 送れなかったときは再送する。
 *
 * @param[in] buf  送るデータ
 * @param[in] len  データの長さ
 * @return 送ったバイト数
 * @retval -1 送信失敗
 * @note   送信中は受信しない
 */
int radio_send(const unsigned char *buf, int len)
{
    int i;          /* 送信位置 */
    int retry = 0;  // 再送回数

    for (i = 0; i < len; i++) {
        if (radio_put(buf[i]) != 0) {
            retry++;
            if (retry > RADIO_RETRY) {
                return -1;
            }
        }
    }
    s_sent += len;
    return i;
}

/// @brief 受信バイトを返す
/// @retval 0 受信なし
int radio_get(void)
{
    return radio_read();
}
