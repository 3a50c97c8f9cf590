#include "fake_message_boxes.h"
