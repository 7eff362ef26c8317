qx_add_test(test_hid test_hid.cpp LIBS qx_meter_hid)
