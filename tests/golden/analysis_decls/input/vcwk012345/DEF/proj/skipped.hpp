int not_scanned_either(void);
