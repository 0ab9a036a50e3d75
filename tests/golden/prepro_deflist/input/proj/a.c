#ifdef EXT_ON
int ext_on;
#endif
#if EXT_SIZE == 6
int ext_size_six;
#endif
#define LOCAL_A ( EXT_ON + 1 )
