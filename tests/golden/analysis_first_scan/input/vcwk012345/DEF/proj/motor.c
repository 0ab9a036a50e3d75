#define MAX_SPEED 100
#define CLAMP(v) \
    ((v) > MAX_SPEED ? MAX_SPEED : (v))

static int motor_speed;
static UINT8 table[16];
MOTOR_STATE state;

static int clamp_speed(int speed)
{
    int limited;
    limited = CLAMP(speed);
    if (limited < 0) {
        limited = 0;
    }
    return limited;
}

int motor_start(int speed)
{
    int i;
    motor_speed = clamp_speed(speed);
    for (i = 0; i < 16; i++) {
        table[i] = 0;
    }
    state.speed = motor_speed;
    log_event(motor_speed, i);
    return motor_speed;
}

void motor_stop(void)
{
    /* stop: the speed falls to zero,
       the table is kept */
    motor_speed = 0;
    switch (state.mode) {
    case 1:
        reset_driver();
        break;
    default:
        break;
    }
    while (busy()) {
        wait_tick();
    }
}

UINT8 *motor_table(void)
{
    return table;
}
