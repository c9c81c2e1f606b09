#include "app/shell/AppInfo.h"
