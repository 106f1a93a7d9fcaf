/* Test-only: a DLL named legalprompt.dll that lacks DisplayLegalBullshit. */
__declspec(dllexport) int SomethingElse(void) { return 0; }
