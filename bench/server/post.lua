-- wrk script: the program's text request, one short sentence, every request the same.
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.body = "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext=The+weather+is+nice+today&lp=en_es&btnTrTxt=Translate"
