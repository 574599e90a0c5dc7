-- wrk script: the program's text request for the default pair, one short sentence.
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.body = "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext=%E4%BB%8A%E5%A4%A9%E5%A4%A9%E6%B0%94%E5%BE%88%E5%A5%BD&lp=zh_en&btnTrTxt=Translate"
