int ext_on;
int ext_size_six;
#define LOCAL_A ( EXT_ON + 1 )
