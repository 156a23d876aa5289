#pragma once
// Identifiers of the report window and its children, for the window and for tools that drive it.
//
//   window      class "TFormMain", caption "Orvix Plenvia Helper", client 337 x 142
//   rd1         id 101, class "TRdHtmLabel": the mark-up caption as its window text; a click on
//               the "Privacy Policy" link opens the privacy page
//   btnSave     id 102, class "Button": "Click here to save report"; disabled while the job runs
//   lblWaiting  id 103, class "Static": "==========" then the animation frames; hidden when idle
//   tmrWaiting  timer id 1 of the window, 100 ms, on only while the job runs
//
// The completion message is a "#32770" dialog owned by the window, caption "Completed".

#define PV_FORMMAIN_CLASS L"TFormMain"
#define PV_ID_RD1 101
#define PV_ID_BTNSAVE 102
#define PV_ID_LBLWAITING 103
#define PV_TIMER_WAITING 1
