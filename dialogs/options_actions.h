#pragma once

class CApp;

// Options' Save: takes the box's state into m_savePasswords and stores the settings.
void SaveOptions(CApp& app, bool savePasswords);

// Options' "Delete Saved Passwords" after a Yes: removes the SavedPasswords key with every hash
// in it. Failures are not reported; m_savePasswords stays as it is.
void DeleteSavedPasswords(CApp& app);

// First run left with "Don't show again" ticked: FirstRunPassed = 1 (REG_DWORD).
void MarkFirstRunPassed(CApp& app);
