#include "hgpk.h"

int mouse_probe(void)
{
    return hgpk_init();
}
