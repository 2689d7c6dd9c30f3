// ThreadChecker.h compiles on its own.
#include <ThreadChecker.h>

int CountRunningWorkers() { return CThreadChecker::GetInstance().GetCount(); }
