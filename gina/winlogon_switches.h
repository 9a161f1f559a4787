// Winlogon's two switches for the dialog extension, under
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\WinLogon,
// read afresh at every use.
#pragma once

// VNKResetPassword: the reset and unlock buttons; off when absent. 1 or 0.
int IsResetPasswordEnabled();
// VNKEnforcePassword: the rules dialog and the rule check before a password
// change; on when absent. 1 or 0.
int IsEnforcePasswordEnabled();
