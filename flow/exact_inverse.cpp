#include "flow/exact_detail.h"
