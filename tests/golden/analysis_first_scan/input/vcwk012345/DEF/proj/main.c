int ticks;

int main(void)
{
    int rc;
    rc = motor_start(50);
    do {
        ticks++;
    } while (ticks < 10);
    motor_stop();
    return rc;
}
