<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>Tools</name>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MySettings</name>
    <message>
        <source>Password change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default (quibrotel) operating system password detected.
For security reasons, you should set your own password.
Enter a new password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm the password and don&apos;t forget it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password confirmation non-matching</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password must not contain line breaks or other control characters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error changing password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The functions file &quot;%1&quot; could not be read, so the functions of this dyno model were not added to it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PasswordDialog</name>
    <message>
        <source>Show password</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
