include $(sort $(wildcard $(BR2_EXTERNAL_IPSLIDE_PATH)/package/*/*.mk))
