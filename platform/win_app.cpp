#include "platform/win_app.h"

CWinApp::CWinApp(const char* appName) : m_appName(appName ? appName : "") {}

CWinApp::~CWinApp() = default;
