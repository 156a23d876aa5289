"""The shipped exe's static imports, each with the minimum client Microsoft documents for it
(the "Requirements" table of the function's page). The exe must start on Windows Vista SP2, so
every import has to be here with a minimum client Vista has; an import that is not listed fails the
exe's static check until someone looks it up and adds it.

Both builds are listed: the x86_64 stand-in imports a few runtime functions the i686 exe does not.
The C runtime is the system's msvcrt.dll, a Windows component on every supported system; its
exports carry no minimum client of their own and are listed with the basics."""

# Minimum clients Windows Vista SP2 satisfies.
VISTA_SP2_HAS = {'2000/XP', 'XP', 'XP SP1', 'XP SP2', 'Vista'}

# Imports no source file calls come from the static runtime: SetSystemTime and
# GetSystemTimeAdjustment from winpthreads' clock.o (clock_settime, clock_getres), which
# libstdc++'s chrono.o pulls in for clock_gettime; GetThreadContext, SetThreadContext,
# SuspendThread, ResumeThread and the vectored exception handlers from winpthreads' thread.o
# (pthread_cancel, thread naming), pulled in by libstdc++'s thread.o; VirtualProtect from
# libmingw32's pseudo-reloc.o. Their tally comes from the link map (-Wl,-Map,... -Wl,--cref).
#
# Minimum client -> library -> function names. Functions that are resolved at run time where they
# exist (GetProcAddress) are listed only when a build imports them statically by mistake.
_TABLE = {
    # The basics: their pages name Windows 2000 Professional or, as revised, Windows XP.
    '2000/XP': {
        'kernel32.dll': '''
            CloseHandle CompareStringW CreateDirectoryW CreateEventA CreateFileW CreatePipe
            CreateProcessW
            CreateSemaphoreA DeleteCriticalSection DuplicateHandle EnterCriticalSection
            ExitProcess ExpandEnvironmentStringsW FileTimeToDosDateTime FileTimeToLocalFileTime
            FileTimeToSystemTime FindClose FindFirstFileW FindNextFileW FormatMessageA FreeLibrary
            GetComputerNameW GetCurrentProcess GetCurrentProcessId GetCurrentThread
            GetCurrentThreadId GetDateFormatW GetDriveTypeW GetEnvironmentVariableW
            GetFileAttributesW GetFileInformationByHandle GetHandleInformation GetLastError
            GetLocalTime GetLocaleInfoW GetLogicalDriveStringsW GetModuleFileNameW
            GetModuleHandleA GetModuleHandleW GetPrivateProfileStringW GetProcAddress
            GetStartupInfoW GetSystemDirectoryW GetSystemTimeAdjustment GetSystemTimeAsFileTime
            GetSystemWindowsDirectoryW GetTempPathW GetThreadLocale GetThreadPriority
            GetTimeFormatW GetTimeZoneInformation GetUserDefaultUILanguage GetVersionExW
            GetVolumeInformationW GetWindowsDirectoryW GlobalMemoryStatus InitializeCriticalSection
            IsDBCSLeadByteEx IsDebuggerPresent LeaveCriticalSection LoadLibraryA LoadLibraryExW
            LoadLibraryW LocalFree MultiByteToWideChar OpenProcess OutputDebugStringA
            OutputDebugStringW PeekNamedPipe QueryPerformanceCounter QueryPerformanceFrequency
            RaiseException ReadFile ReleaseSemaphore ResetEvent ResumeThread SetEndOfFile
            SetEnvironmentVariableW SetEvent SetHandleInformation SetLastError SetSystemTime
            SetThreadPriority SetUnhandledExceptionFilter Sleep SuspendThread TerminateProcess
            TlsAlloc TlsGetValue TlsSetValue VirtualProtect VirtualQuery WaitForMultipleObjects
            WaitForSingleObject WideCharToMultiByte WriteFile lstrcmpW lstrcmpiW
            CopyFileW DeleteFileW DeviceIoControl FlushFileBuffers GetCurrentDirectoryW
            GetFileType GetFullPathNameW GetShortPathNameW MoveFileW RemoveDirectoryW
            SetFileAttributesW VerSetConditionMask VerifyVersionInfoW''',
        'advapi32.dll': '''RegCloseKey RegCreateKeyExW RegEnumKeyExW RegEnumValueW RegOpenKeyExW
            RegQueryValueExW''',
        'gdi32.dll': '''
            BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateFontIndirectW CreateFontW
            CreatePen CreateSolidBrush DeleteDC DeleteObject GetCurrentObject GetDeviceCaps
            GetGlyphOutlineW GetObjectW GetTextExtentPoint32W GetTextMetricsW IntersectClipRect
            LineTo MoveToEx RestoreDC SaveDC SelectObject SetBkColor SetBkMode SetTextColor
            SetViewportOrgEx''',
        'user32.dll': '''
            AdjustWindowRectEx BeginPaint CreateWindowExW DefWindowProcW DestroyWindow
            DispatchMessageW DrawTextExW EnableWindow EndPaint FillRect GetCapture GetClassInfoExW
            GetClassNameW GetClientRect GetCursorPos GetDC GetFocus GetMessageW GetParent
            GetSysColor GetSysColorBrush GetSystemMetrics GetWindowLongW GetWindowLongPtrW
            GetWindowRect InvalidateRect IsDialogMessageW IsWindowEnabled KillTimer LoadCursorW
            LoadIconW MapWindowPoints MessageBoxW PeekMessageW PostMessageW PostQuitMessage
            RegisterClassExW ReleaseCapture ReleaseDC ScreenToClient SendMessageW SetCapture
            SetCursor SetFocus SetTimer SetWindowLongW SetWindowLongPtrW SetWindowPos
            SetWindowTextW ShowWindow TrackMouseEvent TranslateMessage UpdateWindow''',
        'ole32.dll': 'CoCreateInstance CoInitialize CoTaskMemFree CoUninitialize',
        'msvcrt.dll': '''
            ___lc_codepage_func ___mb_cur_max_func __C_specific_handler __getmainargs __iob_func
            __mb_cur_max __p__commode __p__fmode __p__wcmdln _commode _fmode _wcmdln __set_app_type __setusermatherr __wgetmainargs __winitenv _amsg_exit
            _beginthreadex _cexit _close _endthreadex _errno _initterm _iob _lock _onexit _read
            _setjmp _setjmp3 _strdup _ultoa _unlock abort atoi calloc exit fprintf fputc fputs
            free fwrite localeconv longjmp malloc memchr memcmp memcpy memmove memset printf
            realloc setlocale signal strchr strcmp strerror strlen strncmp vfprintf wcslen''',
    },
    'XP': {
        'kernel32.dll': '''
            AddVectoredExceptionHandler CreateToolhelp32Snapshot GetDiskFreeSpaceExW
            GetFileAttributesExW GetFileSizeEx GetLongPathNameW GetModuleHandleExW
            GetNativeSystemInfo GetProcessAffinityMask GetProcessTimes GetThreadContext
            GetThreadTimes GetVolumePathNameW CreateHardLinkW MoveFileExW Process32FirstW Process32NextW RemoveVectoredExceptionHandler
            RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind
            __C_specific_handler SetFilePointerEx
            SetProcessAffinityMask SetThreadContext TryEnterCriticalSection''',
        'advapi32.dll': '''
            CloseServiceHandle ConvertSidToStringSidW
            ConvertStringSecurityDescriptorToSecurityDescriptorW EnumServicesStatusW
            GetTokenInformation GetUserNameW LockServiceDatabase OpenProcessToken OpenSCManagerW
            OpenServiceW QueryServiceConfigW QueryServiceStatus UnlockServiceDatabase''',
        'comctl32.dll': 'InitCommonControlsEx',
        'shell32.dll': '''SHGetFolderPathW SHGetPathFromIDListW SHGetSpecialFolderLocation
            SHGetSpecialFolderPathW ShellExecuteW''',
    },
    'XP SP1': {
        'kernel32.dll': 'SetDllDirectoryW',
    },
    'XP SP2': {
        'kernel32.dll': 'IsWow64Process',
    },
    'Vista': {
        'kernel32.dll': '''GetFileInformationByHandleEx GetFinalPathNameByHandleW GetTickCount64
            SetFileInformationByHandle''',
        # Windows Sockets 2 pages name "Windows 8.1, Windows Vista" as the minimum client.
        'ws2_32.dll': '''WSACleanup WSAGetLastError WSAStartup __WSAFDIsSet closesocket connect
            freeaddrinfo getaddrinfo getsockopt ioctlsocket recv select send socket''',
    },
    # The search-path functions: Windows 8, or Windows 7 and Vista only with KB2533623. They are
    # bound at run time (platform/win32/SystemLibrary.cpp) and must never be imported.
    '8 (Vista and 7 only with KB2533623)': {
        'kernel32.dll': 'AddDllDirectory RemoveDllDirectory SetDefaultDllDirectories',
    },
}

MINIMUM_CLIENT = {}
for _client, _libraries in _TABLE.items():
    for _library, _names in _libraries.items():
        for _name in _names.split():
            if (_library, _name) in MINIMUM_CLIENT:
                raise ValueError('%s!%s is listed twice' % (_library, _name))
            MINIMUM_CLIENT[(_library, _name)] = _client


def problems(imports):
    """Messages for each (library, function) Vista SP2 lacks or the table does not know."""
    found = []
    for library, name in imports:
        client = MINIMUM_CLIENT.get((library.lower(), name))
        if client is None:
            found.append('imports %s!%s, which the Vista import table does not list: look up its '
                         'minimum supported client and add it to scripts/vista_imports.py'
                         % (library, name))
        elif client not in VISTA_SP2_HAS:
            found.append('imports %s!%s, which Windows Vista SP2 lacks (minimum client: Windows %s)'
                         % (library, name, client))
    return found
