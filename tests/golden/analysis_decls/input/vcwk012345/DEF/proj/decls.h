void from_header(unsigned char c);
