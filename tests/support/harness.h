// The test support library, all of it: a host program that loads legalprompt.dll, calls
// DisplayLegalBullshit on its main thread, and acts as the user from a second thread with real
// keyboard and mouse input (SendInput); the files, processes and installers' folders of the
// tests.  Nothing here is specific to Wine; every wait is a poll with a time-out.
#ifndef LEGALPROMPT_SUPPORT_HARNESS_H
#define LEGALPROMPT_SUPPORT_HARNESS_H

#include "dialogs.h"
#include "files.h"
#include "input.h"
#include "installers.h"
#include "processes.h"

#endif
