// The Qt object model's tests (QtObjectModelTest.cpp), run by the host's
// test executable beside HostTest.
#pragma once

#include <QObject>

class QtObjectModelTest : public QObject {
  Q_OBJECT

 private slots:
  void findsTheWindowAndItsChildren();
  void readsAndWritesPropertiesByKind();
  void createsFreesAndRunsActions();
  void destroyedObjectsGiveAClearError();
  void windowExampleDrivesTheWindow();
  void reloadAndCloseWhileWorkersReachTheWindow();
};
